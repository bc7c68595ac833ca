// The single-instance guard: one holder at a time, freed by the kernel whenever its holder
// ends, and never built on a folder that someone else controls.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "platform/instance_lock.h"

namespace fs = std::filesystem;
using platform::InstanceLock;
using platform::InstanceLockStatus;

namespace {

class InstanceLockTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zel_lock_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string dir_;
};

TEST_F(InstanceLockTest, OneHolderAtATimeUntilReleased) {
    auto first = std::make_unique<InstanceLock>();
    EXPECT_EQ(first->Acquire("ZEL 1.1 Semaphore", dir_), InstanceLockStatus::Acquired);
    EXPECT_EQ(first->Path(), dir_ + "/ZEL 1.1 Semaphore.lock");
    EXPECT_EQ(first->Acquire("ZEL 1.1 Semaphore", dir_), InstanceLockStatus::Acquired);

    InstanceLock second;
    EXPECT_EQ(second.Acquire("ZEL 1.1 Semaphore", dir_), InstanceLockStatus::HeldElsewhere);
    EXPECT_FALSE(second.Held());
    InstanceLock other;
    EXPECT_EQ(other.Acquire("a/b", dir_), InstanceLockStatus::Acquired);
    EXPECT_EQ(other.Path(), dir_ + "/a_b.lock");

    first.reset();
    EXPECT_EQ(second.Acquire("ZEL 1.1 Semaphore", dir_), InstanceLockStatus::Acquired);
}

TEST_F(InstanceLockTest, KilledHolderFreesTheGuard) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        InstanceLock lock;
        const char status = lock.Acquire("guard", dir_) == InstanceLockStatus::Acquired ? 'A' : 'x';
        (void)!write(ready[1], &status, 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    pollfd wait{ready[0], POLLIN, 0};
    ASSERT_EQ(poll(&wait, 1, 10000), 1);
    char status = 0;
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    close(ready[0]);
    EXPECT_EQ(status, 'A');

    InstanceLock lock;
    EXPECT_EQ(lock.Acquire("guard", dir_), InstanceLockStatus::HeldElsewhere);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(lock.Acquire("guard", dir_), InstanceLockStatus::Acquired);
}

struct FolderCase {
    const char* name;
    // Prepares `path` inside the scratch folder `scratch`.
    void (*make)(const std::string& path, const std::string& scratch);
    bool usable;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.name;
}

class LockFolders : public InstanceLockTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(LockFolders, OnlyAPrivateFolderOfOursHoldsTheGuard) {
    const FolderCase& c = GetParam();
    const std::string path = dir_ + "/locks";
    c.make(path, dir_);
    EXPECT_EQ(platform::PrepareLockDir(path), c.usable);
    InstanceLock lock;
    EXPECT_EQ(lock.Acquire("guard", path) == InstanceLockStatus::Acquired, c.usable);
    if (c.usable) {
        struct stat info {};
        ASSERT_EQ(lstat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    } else {
        EXPECT_FALSE(fs::exists(path + "/guard.lock"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Platform, LockFolders,
    testing::Values(
        FolderCase{"Missing", [](const std::string&, const std::string&) {}, true},
        FolderCase{"PrivateAlready",
                   [](const std::string& p, const std::string&) { mkdir(p.c_str(), 0700); }, true},
        FolderCase{"OpenToOthers",
                   [](const std::string& p, const std::string&) {
                       mkdir(p.c_str(), 0700);
                       chmod(p.c_str(), 0777);
                   },
                   false},
        FolderCase{"SymbolicLink",
                   [](const std::string& p, const std::string& scratch) {
                       mkdir((scratch + "/real").c_str(), 0700);
                       (void)!symlink((scratch + "/real").c_str(), p.c_str());
                   },
                   false},
        FolderCase{"PlainFile",
                   [](const std::string& p, const std::string&) {
                       close(open(p.c_str(), O_CREAT | O_WRONLY, 0600));
                   },
                   false}),
    [](const testing::TestParamInfo<FolderCase>& row) { return std::string(row.param.name); });

TEST(InstanceLockDir, RuntimeFolderWhenAbsoluteElsePerUserTmp) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved == nullptr ? "" : saved;
    const std::string fallback = "/tmp/zel-" + std::to_string(getuid());
    setenv("XDG_RUNTIME_DIR", "/run/user/1234/", 1);
    EXPECT_EQ(platform::InstanceLockDir(), "/run/user/1234");
    setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(platform::InstanceLockDir(), fallback);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(platform::InstanceLockDir(), fallback);
    if (saved != nullptr) {
        setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
    }
}

}  // namespace
