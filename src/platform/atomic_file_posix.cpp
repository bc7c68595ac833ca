#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ResolveLink(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

// A new file beside `target` whose name goes to `tempName`; -1 with errno set on failure.
int CreateTempBeside(const std::string& target, std::string& tempName) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        int fd = open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Removes the temporary files that writers of `target` killed mid-save left behind. Each name
// carries its writer's process id; a file whose writer still runs may be in use and stays.
void RemoveOrphanedTemps(const std::string& target) {
    std::size_t slash = target.rfind('/');
    const std::string folder = FolderOf(target);
    const std::string prefix =
        (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp";
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        std::string_view name(entry->d_name);
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        std::string_view rest = name.substr(prefix.size());
        std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string_view::npos ||
            rest.substr(0, dash).find_first_not_of("0123456789") != std::string_view::npos ||
            dash > 9) {
            continue;
        }
        pid_t writer = static_cast<pid_t>(std::atol(std::string(rest.substr(0, dash)).c_str()));
        if (writer > 0 && kill(writer, 0) != 0 && errno == ESRCH) {
            unlink((folder + "/" + std::string(name)).c_str());
        }
    }
    closedir(dir);
}

}  // namespace

FileWriteResult ReplaceFileContents(const std::string& path, std::string_view bytes) {
    std::string target = ResolveLink(path);
    std::string tempName;
    int fd = CreateTempBeside(target, tempName);
    if (fd < 0) {
        return errno == ENOENT ? FileWriteResult::FolderMissing : FileWriteResult::Failed;
    }
    struct stat old {};
    if (stat(target.c_str(), &old) == 0) {
        fchmod(fd, old.st_mode & 07777);
    }
    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(tempName.c_str(), target.c_str()) != 0) {
        unlink(tempName.c_str());
        return FileWriteResult::Failed;
    }
    RemoveOrphanedTemps(target);
    // The rename itself becomes durable with the folder; best effort.
    int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return FileWriteResult::Ok;
}

bool MakeFolders(const std::string& folder, unsigned mode) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace platform
