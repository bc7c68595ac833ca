#include "platform/user_paths.h"

#include <pwd.h>
#include <unistd.h>
#include <cstdlib>

namespace platform {

std::string UserConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* entry = getpwuid(getuid());
            home = entry != nullptr ? entry->pw_dir : "/tmp";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/Tarvolin/ZEL";
}

}  // namespace platform
