// Where the COM port numbers of the settings lead on this system.
#pragma once

#include <string>

namespace platform {

inline constexpr int kHighestComPort = 256;

// The folder in which a user names ports: an entry "COM3" there (usually a symbolic link to
// /dev/serial/by-id/... or /dev/ttyUSB0) is what COM3 means. UserConfigDir() + "/ports".
std::string ComPortsFolder();

// The device path of COM`comPort`: the folder's entry named after it when one exists (the path of
// the entry itself, which open() follows), else /dev/ttyS<comPort - 1>. Empty for a number outside
// 1 to 256.
std::string ComPortDevicePath(int comPort);

}  // namespace platform
