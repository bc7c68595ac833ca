// CRC-16/MODBUS, shared by the RTU frames and the string-table files.
#pragma once

#include <cstdint>

// Reflected polynomial 0xA001, initial value 0xFFFF, no final XOR. Frames carry the low byte
// first, then the high byte.
std::uint16_t ModbusCrc16(const std::uint8_t* data, int length);

// Incremental form for data that arrives in pieces: start with kModbusCrcInitial.
inline constexpr std::uint16_t kModbusCrcInitial = 0xFFFF;
std::uint16_t ModbusCrc16Update(std::uint16_t crc, const std::uint8_t* data, int length);
