#include "sim_framing.h"

#include "protocol/modbus_crc.h"

std::optional<int> RtuRequestLength(const Bytes& bytes) {
    if (bytes.size() < 2) {
        return std::nullopt;
    }
    switch (bytes[1]) {
        case 3:
        case 4:
        case 6:
            return 8;
        case 16:
            if (bytes.size() < 7) {
                return std::nullopt;
            }
            return 9 + bytes[6];
        default:
            break;
    }
    const int size = static_cast<int>(bytes.size());
    if (size >= 4) {
        const std::uint16_t crc = ModbusCrc16(bytes.data(), size - 2);
        if (bytes[size - 2] == static_cast<std::uint8_t>(crc) &&
            bytes[size - 1] == static_cast<std::uint8_t>(crc >> 8)) {
            return size;
        }
    }
    return std::nullopt;
}

std::optional<int> ModbusTcpMessageLength(const Bytes& bytes) {
    if (bytes.size() < 6) {
        return std::nullopt;
    }
    return 6 + (bytes[4] << 8 | bytes[5]);
}
