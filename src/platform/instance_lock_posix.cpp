#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace platform {

std::string InstanceLockDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        std::string dir(runtime);
        while (dir.size() > 1 && dir.back() == '/') {
            dir.pop_back();
        }
        return dir;
    }
    return "/tmp/zel-" + std::to_string(getuid());
}

bool PrepareLockDir(const std::string& dir) {
    if (dir.empty()) {
        return false;
    }
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    // In a shared folder such as /tmp another user may have made the name first: only a real
    // folder of ours, closed to others, keeps them from taking or faking the guard.
    struct stat info {};
    if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) {
        return false;
    }
    return (info.st_mode & 077) == 0;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

InstanceLockStatus InstanceLock::Acquire(const std::string& name, const std::string& dir) {
    if (fd_ >= 0) {
        return InstanceLockStatus::Acquired;
    }
    const std::string folder = dir.empty() ? InstanceLockDir() : dir;
    std::string fileName = name + ".lock";
    for (char& c : fileName) {
        c = c == '/' ? '_' : c;
    }
    path_ = folder + "/" + fileName;
    // $XDG_RUNTIME_DIR is the user's own by definition; the fallback must be checked.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const bool userRuntime = dir.empty() && runtime != nullptr && runtime[0] == '/';
    if (!userRuntime && !PrepareLockDir(folder)) {
        return InstanceLockStatus::Unavailable;
    }
    const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return InstanceLockStatus::Unavailable;
    }
    int locked;
    do {
        locked = flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? InstanceLockStatus::HeldElsewhere : InstanceLockStatus::Unavailable;
    }
    fd_ = fd;
    return InstanceLockStatus::Acquired;
}

}  // namespace platform
