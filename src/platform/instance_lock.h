// The single-instance guard: an exclusive lock on a per-user lock file. The kernel drops the
// lock when the process ends in any way (crash and kill -9 included), so a dead copy never
// locks the user out.
#pragma once

#include <string>

namespace platform {

enum class InstanceLockStatus {
    Acquired,       // this process now holds the guard
    HeldElsewhere,  // another process holds it
    Unavailable,    // no safe lock file could be made; the caller runs without the guard
};

// The folder for lock files: $XDG_RUNTIME_DIR when it is an absolute path, otherwise
// /tmp/zel-<uid>. Ends without a separator.
std::string InstanceLockDir();

// Makes sure `dir` exists as a folder of this user that nobody else may enter (created with
// mode 0700 when missing). False, changing nothing, for a symbolic link, a folder of another
// user or one that others may write or enter.
bool PrepareLockDir(const std::string& dir);

class InstanceLock {
public:
    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // Releases the guard.
    ~InstanceLock();

    // Takes the guard named `name` ("/" in it becomes "_"): the file "<name>.lock" in `dir`
    // (InstanceLockDir() when empty), opened close-on-exec so that no child inherits it, locked
    // with flock without waiting. A guard already held by this object is kept: Acquired.
    InstanceLockStatus Acquire(const std::string& name, const std::string& dir = {});

    bool Held() const { return fd_ >= 0; }
    // The lock file of the last Acquire; empty before it.
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace platform
