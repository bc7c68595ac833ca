// Start-up of the real `zel` program, run as a process on the offscreen platform in a scratch
// copy of the program folder, with its own runtime and settings folders. The toolkit's test
// hook (ZEL_AUTOTEST_MESSAGES) logs message boxes and opened dialogs instead of showing them.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/tick.h"

namespace fs = std::filesystem;

namespace {

constexpr int kStartLimitMs = 20000;  // generous: the test machine may be busy

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Text `number` of the English catalog the string tables are built from.
std::string CatalogText(int number) {
    std::ifstream catalog(fs::path(std::getenv("ZEL_SOURCE_DIR")) / "res/strings/en.txt");
    const std::string prefix = std::to_string(number) + "\t";
    for (std::string line; std::getline(catalog, line);) {
        if (line.rfind(prefix, 0) == 0) {
            return line.substr(prefix.size());
        }
    }
    return {};
}

// One `zel` process, stopped by its PID when the test ends.
class ZelProcess {
public:
    ZelProcess(const fs::path& program, const fs::path& startFolder,
               const std::vector<std::string>& environment) {
        pid_ = fork();
        if (pid_ == 0) {
            // Dies with the test, even when the test itself crashes.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            std::vector<char*> env;
            for (const std::string& entry : environment) {
                env.push_back(const_cast<char*>(entry.c_str()));
            }
            env.push_back(nullptr);
            if (chdir(startFolder.c_str()) == 0) {
                char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
                execve(program.c_str(), argv, env.data());
            }
            _exit(127);
        }
        pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    }
    ~ZelProcess() {
        if (!exitStatus_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (pidFd_ >= 0) {
            close(pidFd_);
        }
    }

    pid_t Pid() const { return pid_; }

    // The exit status once the process has ended within `limitMs`; nullopt when it has not
    // or died by a signal.
    std::optional<int> WaitExit(int limitMs) {
        if (!exitStatus_) {
            pollfd ready{pidFd_, POLLIN, 0};
            if (poll(&ready, 1, limitMs) != 1) {
                return std::nullopt;
            }
            int status = 0;
            waitpid(pid_, &status, 0);
            exitStatus_ = status;
        }
        if (!WIFEXITED(*exitStatus_)) {
            return std::nullopt;
        }
        return WEXITSTATUS(*exitStatus_);
    }

    void Kill(int signal) {
        kill(pid_, signal);
        WaitExit(kStartLimitMs);
    }

private:
    pid_t pid_ = -1;
    int pidFd_ = -1;
    std::optional<int> exitStatus_;
};

// Waits, in poll() on an inotify watch of the log's folder, until `log` holds `line`.
bool WaitForLogLine(const fs::path& log, const std::string& line, int limitMs) {
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    inotify_add_watch(watch, log.parent_path().c_str(), IN_MODIFY | IN_CREATE | IN_CLOSE_WRITE);
    const platform::Deadline deadline(static_cast<std::uint32_t>(limitMs));
    bool found = false;
    while (!(found = ReadFile(log).find(line + "\n") != std::string::npos) && !deadline.Expired()) {
        pollfd ready{watch, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(deadline.Remaining())) == 1) {
            char events[4096];
            while (read(watch, events, sizeof events) > 0) {
            }
        }
    }
    close(watch);
    return found;
}

class ZelStartup : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zel_startup_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        program_ = MakeProgramFolder("program", true);
        for (const char* folder : {"run", "config", "elsewhere"}) {
            fs::create_directory(root_ / folder);
        }
        fs::permissions(root_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    }
    void TearDown() override { fs::remove_all(root_); }

    // A copy of the program folder, with or without its string tables.
    fs::path MakeProgramFolder(const std::string& name, bool withTables) {
        const fs::path source = std::getenv("ZEL_PROGRAM_DIR");
        const fs::path folder = root_ / name;
        fs::create_directory(folder);
        fs::copy_file(source / "zel", folder / "zel");
        fs::copy_file(source / "Tarvolin.ico", folder / "Tarvolin.ico");
        if (withTables) {
            for (const char* table : {"ZELSoftware.en.stc", "ZELSoftware.es.stc"}) {
                fs::copy_file(source / table, folder / table);
            }
        }
        return folder / "zel";
    }

    // Starts a copy from the folder "elsewhere", logging to `log`.
    std::unique_ptr<ZelProcess> Start(const fs::path& program, const std::string& log) {
        const std::vector<std::string> environment = {
            "QT_QPA_PLATFORM=offscreen",
            "LANG=en_US.UTF-8",
            "HOME=" + root_.string(),
            "XDG_RUNTIME_DIR=" + (root_ / "run").string(),
            "XDG_CONFIG_HOME=" + (root_ / "config").string(),
            "ZEL_AUTOTEST_MESSAGES=" + (root_ / log).string(),
        };
        return std::make_unique<ZelProcess>(program, root_ / "elsewhere", environment);
    }

    fs::path root_;
    fs::path program_;
};

TEST_F(ZelStartup, FirstCopyRunsFromAnyFolderWithTheFilesBesideIt) {
    auto first = Start(program_, "first.log");
    ASSERT_TRUE(WaitForLogLine(root_ / "first.log", "dialog: 102", kStartLimitMs));
    // The string table was found (no message) and the settings live beside the program.
    EXPECT_EQ(ReadFile(root_ / "first.log"), "dialog: 102\n");
    EXPECT_TRUE(fs::exists(program_.parent_path() / "default.xcfg"));
    EXPECT_TRUE(fs::is_empty(root_ / "elsewhere"));
    EXPECT_TRUE(fs::exists(root_ / "run" / "ZEL 1.1 Semaphore.lock"));
}

TEST_F(ZelStartup, SecondCopyShowsText1AndTouchesNoFile) {
    auto first = Start(program_, "first.log");
    ASSERT_TRUE(WaitForLogLine(root_ / "first.log", "dialog: 102", kStartLimitMs));
    const fs::path settings = program_.parent_path() / "default.xcfg";
    const std::string settingsBefore = ReadFile(settings);

    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    inotify_add_watch(watch, program_.parent_path().c_str(), IN_ALL_EVENTS);
    auto second = Start(program_, "second.log");
    EXPECT_EQ(second->WaitExit(kStartLimitMs), std::optional<int>(1));

    std::vector<std::string> touched;
    alignas(inotify_event) char buffer[8192];
    for (ssize_t got; (got = read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0) {
                touched.emplace_back(event->name);
            }
            at += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_EQ(std::count(touched.begin(), touched.end(), "default.xcfg"), 0);
    EXPECT_EQ(ReadFile(settings), settingsBefore);
    EXPECT_EQ(ReadFile(root_ / "second.log"), "message: " + CatalogText(1) + "\n");
    // The running copy is untouched.
    EXPECT_EQ(kill(first->Pid(), 0), 0);
}

TEST_F(ZelStartup, MissingStringTableWinsOverTheRunningCopy) {
    auto first = Start(program_, "first.log");
    ASSERT_TRUE(WaitForLogLine(root_ / "first.log", "dialog: 102", kStartLimitMs));
    const fs::path bare = MakeProgramFolder("bare", false);
    auto second = Start(bare, "second.log");
    EXPECT_EQ(second->WaitExit(kStartLimitMs), std::optional<int>(1));
    EXPECT_EQ(ReadFile(root_ / "second.log"),
              "message: Unable to load specific language libraries. Program will exit.\n");
    EXPECT_FALSE(fs::exists(bare.parent_path() / "default.xcfg"));
}

TEST_F(ZelStartup, KilledCopyFreesTheGuardAtOnce) {
    auto first = Start(program_, "first.log");
    ASSERT_TRUE(WaitForLogLine(root_ / "first.log", "dialog: 102", kStartLimitMs));
    first->Kill(SIGKILL);
    // The lock file stays behind; the lock itself died with the process.
    ASSERT_TRUE(fs::exists(root_ / "run" / "ZEL 1.1 Semaphore.lock"));

    auto next = Start(program_, "next.log");
    ASSERT_TRUE(WaitForLogLine(root_ / "next.log", "dialog: 102", kStartLimitMs));
    EXPECT_EQ(ReadFile(root_ / "next.log"), "dialog: 102\n");
}

TEST_F(ZelStartup, OfTwoCopiesStartedTogetherExactlyOneRuns) {
    auto a = Start(program_, "a.log");
    auto b = Start(program_, "b.log");
    // The one that lost the race says so and ends; the winner keeps its window open.
    std::optional<int> aExit;
    std::optional<int> bExit;
    const platform::Deadline deadline(kStartLimitMs);
    while (!aExit && !bExit && !deadline.Expired()) {
        aExit = a->WaitExit(10);
        bExit = b->WaitExit(10);
    }
    // Give the other one the time it would need to end as well, had both been let in.
    if (aExit && !bExit) {
        bExit = b->WaitExit(500);
    } else if (bExit && !aExit) {
        aExit = a->WaitExit(500);
    }
    ASSERT_NE(aExit.has_value(), bExit.has_value()) << "exactly one copy must end";
    const std::string loser = aExit ? "a.log" : "b.log";
    const std::string winner = aExit ? "b.log" : "a.log";
    EXPECT_EQ(aExit ? aExit : bExit, std::optional<int>(1));
    EXPECT_EQ(ReadFile(root_ / loser), "message: " + CatalogText(1) + "\n");
    ASSERT_TRUE(WaitForLogLine(root_ / winner, "dialog: 102", kStartLimitMs));
    EXPECT_EQ(kill((aExit ? b : a)->Pid(), 0), 0);
}

}  // namespace
