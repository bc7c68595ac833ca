#include "platform/com_port.h"

#include <sys/stat.h>

#include "platform/user_paths.h"

namespace platform {

std::string ComPortsFolder() {
    return UserConfigDir() + "/ports";
}

std::string ComPortDevicePath(int comPort) {
    if (comPort < 1 || comPort > kHighestComPort) {
        return {};
    }
    std::string entry = ComPortsFolder() + "/COM" + std::to_string(comPort);
    struct stat info {};
    // lstat: a link whose device is unplugged still names the port; opening it then reports the
    // missing device instead of silently reaching /dev/ttyS.
    if (lstat(entry.c_str(), &info) == 0) {
        return entry;
    }
    return "/dev/ttyS" + std::to_string(comPort - 1);
}

}  // namespace platform
