// The six line settings a device's RS-485 port can use, numbered 0 to 5. The same code is the
// device's register 1, the settings value "portConfig" and the index of the windows' lists.
#pragma once

#include <optional>

struct PortConfig {
    int baudRate;
    int parity;    // 0 none, 2 even
    int byteSize;  // always 8
    int stopBits;  // 0 one stop bit, 2 two stop bits
    const char* text;
};

inline constexpr int kPortConfigCount = 6;

inline constexpr PortConfig kPortConfigs[kPortConfigCount] = {
    {9600, 2, 8, 0, "9600, 8, E, 1"}, {19200, 2, 8, 0, "19200, 8, E, 1"},
    {9600, 0, 8, 2, "9600, 8, N, 2"}, {19200, 0, 8, 2, "19200, 8, N, 2"},
    {9600, 0, 8, 0, "9600, 8, N, 1"}, {19200, 0, 8, 0, "19200, 8, N, 1"},
};

// The line settings of `code`, or nothing for a code outside 0 to 5.
inline std::optional<PortConfig> FindPortConfig(int code) {
    if (code < 0 || code >= kPortConfigCount) {
        return std::nullopt;
    }
    return kPortConfigs[code];
}
