// Modbus TCP (MBAP) framing of an RTU request. Pure frame code: no I/O.
#pragma once

#include <cstdint>

inline constexpr int kMbapHeaderLength = 6;
// The longest message: a full transaction buffer without its CRC, behind the header.
inline constexpr int kMaxModbusTcpRequestLength = 384 - 2 + kMbapHeaderLength;

// Writes the Modbus TCP message for the RTU request `rtuFrame` of `rtuLength` bytes (CRC
// included) into `out`: identifier, protocol 0, length, then the frame without its CRC.
// Returns the message length (rtuLength + 4), or 0 when rtuLength is below 4 or the message would
// not fit `outCapacity`; `out` is then untouched.
int BuildModbusTcpRequest(std::uint16_t transactionId, const std::uint8_t* rtuFrame, int rtuLength,
                          std::uint8_t* out, int outCapacity);
