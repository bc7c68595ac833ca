// Finding request boundaries in a byte stream: RTU frames (TCP stream, serial line) carry no
// length, Modbus TCP messages carry it in their header.
#pragma once

#include <cstdint>
#include <optional>

#include "sim_device.h"

// Length of the RTU request at the start of `bytes`, once enough of it has arrived to know;
// nothing while more is needed. Requests of functions 3, 4, 6 are 8 bytes, 16 is 9 plus its
// byte count; a request of any other function is taken whole once the bytes so far end in a
// good CRC.
std::optional<int> RtuRequestLength(const Bytes& bytes);

// Length of the Modbus TCP message at the start of `bytes` (6-byte header plus its length
// field), or nothing while the header is incomplete.
std::optional<int> ModbusTcpMessageLength(const Bytes& bytes);
