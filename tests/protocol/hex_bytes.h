// Frames written the way a protocol analyser shows them: "01 03 00 00 00 0C 45 CF".
#pragma once

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes HexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(pair.c_str(), nullptr, 16)));
    }
    return bytes;
}

inline std::string ToHex(const std::uint8_t* data, int length) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

inline std::string ToHex(const Bytes& bytes) {
    return ToHex(bytes.data(), static_cast<int>(bytes.size()));
}

// Every way the tests cut a reply into pieces: whole, in two at each position, byte by byte.
inline std::vector<std::vector<int>> AllSplits(int length) {
    std::vector<std::vector<int>> splits{{length}};
    for (int at = 1; at < length; ++at) {
        splits.push_back({at, length - at});
    }
    if (length > 2) {
        splits.push_back(std::vector<int>(static_cast<std::size_t>(length), 1));
    }
    return splits;
}
