#include "platform/program_dir.h"

#include <unistd.h>
#include <climits>

namespace platform {

std::string ProgramDir() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return {};
    }
    std::string full(path, static_cast<std::size_t>(length));
    std::size_t slash = full.rfind('/');
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

bool EnterProgramDir() {
    std::string dir = ProgramDir();
    return !dir.empty() && chdir(dir.c_str()) == 0;
}

}  // namespace platform
