#include "protocol/modbus_crc.h"

#include <array>

namespace {

// The serial-line table method: one table for the byte that becomes the new low half, one for the
// new high half, both indexed by (low half XOR data byte). They follow from the polynomial, so
// they are generated rather than typed in.
struct CrcTables {
    std::array<std::uint8_t, 256> low{};
    std::array<std::uint8_t, 256> high{};
};

constexpr CrcTables MakeTables() {
    CrcTables tables;
    for (unsigned index = 0; index < 256; ++index) {
        unsigned crc = index;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        }
        tables.low[index] = static_cast<std::uint8_t>(crc & 0xFFu);
        tables.high[index] = static_cast<std::uint8_t>(crc >> 8);
    }
    return tables;
}

constexpr CrcTables kTables = MakeTables();

}  // namespace

std::uint16_t ModbusCrc16Update(std::uint16_t crc, const std::uint8_t* data, int length) {
    std::uint8_t low = static_cast<std::uint8_t>(crc & 0xFFu);
    std::uint8_t high = static_cast<std::uint8_t>(crc >> 8);
    for (int i = 0; i < length; ++i) {
        std::uint8_t index = low ^ data[i];
        low = high ^ kTables.low[index];
        high = kTables.high[index];
    }
    return static_cast<std::uint16_t>((high << 8) | low);
}

std::uint16_t ModbusCrc16(const std::uint8_t* data, int length) {
    return ModbusCrc16Update(kModbusCrcInitial, data, length);
}
