#include "ui/main_window_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/tick.h"

extern char** environ;

namespace {

constexpr int kStartLimitMs = 5000;
constexpr int kStopLimitMs = 2000;

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& arguments, int links) {
    const char* programDir = std::getenv("ZEL_PROGRAM_DIR");
    if (programDir == nullptr) {
        return;
    }
    const std::string program = std::string(programDir) + "/zel-sim";
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (spawned != 0) {
        pid_ = -1;
        return;
    }

    std::string pending;
    const platform::Deadline deadline(kStartLimitMs);
    while (static_cast<int>(lines_.size()) < links && !deadline.Expired()) {
        pollfd readable = {output_, POLLIN, 0};
        if (poll(&readable, 1, deadline.Remaining()) <= 0) {
            break;
        }
        char buffer[256];
        const ssize_t count = read(output_, buffer, sizeof buffer);
        if (count <= 0) {
            break;  // the simulator ended before it was ready
        }
        pending.append(buffer, static_cast<std::size_t>(count));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            lines_.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
    started_ = static_cast<int>(lines_.size()) >= links;
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        // The simulator's stdout reaches end of file when it exits.
        const platform::Deadline deadline(kStopLimitMs);
        bool exited = false;
        while (!exited && !deadline.Expired()) {
            pollfd output = {output_, POLLIN, 0};
            if (poll(&output, 1, deadline.Remaining()) <= 0) {
                break;
            }
            char drain[256];
            exited = read(output_, drain, sizeof drain) <= 0;
        }
        if (!exited) {
            kill(pid_, SIGKILL);
        }
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (output_ >= 0) {
        close(output_);
    }
}
