#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Spawns `argv` with the given environment additions; stdin from /dev/null, stdout and stderr
// to `outFd` and `errFd` (-1 keeps the test's own).
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            int outFd, int errFd) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    for (const auto& entry : environment) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        std::erase_if(env, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        env.push_back(entry);
    }
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    }
    if (errFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, int limitMs) {
    ProgramResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        return result;
    }
    const auto start = Clock::now();
    const pid_t pid = Spawn(argv, environment, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return result;
    }
    const auto deadline = start + std::chrono::milliseconds(limitMs);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const int ready = poll(fds, 2, MsLeft(deadline));
        if (ready == 0 && !killed) {
            kill(pid, SIGKILL);
            killed = true;
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0) {
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.exitCode = killed ? -1 : ExitCode(status);
    return result;
}

bool BackgroundProgram::Start(const std::vector<std::string>& argv,
                              const std::vector<std::string>& environment, bool withStderr) {
    int outPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        return false;
    }
    pid_ = Spawn(argv, environment, outPipe[1], withStderr ? outPipe[1] : -1);
    close(outPipe[1]);
    out_ = outPipe[0];
    return pid_ > 0;
}

std::vector<std::string> BackgroundProgram::ReadLines(size_t count, int limitMs) {
    std::vector<std::string> lines;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (lines.size() < count) {
        const size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            lines.push_back(pending_.substr(0, newline));
            pending_.erase(0, newline + 1);
            continue;
        }
        pollfd fd = {out_, POLLIN, 0};
        if (out_ < 0 || poll(&fd, 1, MsLeft(deadline)) <= 0) {
            break;
        }
        char buffer[1024];
        const ssize_t n = read(out_, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
    return lines;
}

int BackgroundProgram::Stop() {
    if (pid_ <= 0) {
        return -1;
    }
    // A pidfd becomes readable when the process ends, so the wait is one poll().
    const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    kill(pid_, SIGTERM);
    pollfd fd = {pidFd, POLLIN, 0};
    if (pidFd < 0 || poll(&fd, 1, 5000) <= 0) {
        kill(pid_, SIGKILL);
    }
    if (pidFd >= 0) {
        close(pidFd);
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    if (out_ >= 0) {
        close(out_);
        out_ = -1;
    }
    pid_ = -1;
    return ExitCode(status);
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/zel-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TemporaryFolder::~TemporaryFolder() {
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

std::string ProgramPath(const std::string& name) {
    const char* dir = std::getenv("ZEL_PROGRAM_DIR");
    return std::string(dir ? dir : ".") + "/" + name;
}
