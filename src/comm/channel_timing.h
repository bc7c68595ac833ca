// Time rules shared by the channels.
#pragma once

#include <cstdint>

// Keeps the line quiet for `ms` milliseconds before a request, so the device sees the gap that
// separates two frames. Nothing for 0 or less.
void KeepSilent(int ms);

// A wait of `baseMs` + `extraMs` as a deadline length; a negative sum counts as 0.
std::uint32_t ResponseLimit(int baseMs, int extraMs);

// Modbus TCP waits this long beyond extraTimeout; the transaction's own time-out is not used
// there because gateways may hold a request while they poll a slow bus.
inline constexpr int kModbusTcpWaitMs = 30000;

// After SERVER DEVICE BUSY the request goes out again this much later.
inline constexpr int kBusyResendDelayMs = 100;

// A socket channel's scratch buffer: at most this much is taken from the socket at once.
inline constexpr int kSocketScratchSize = 2048;

// The serial channel reads at most this much at once.
inline constexpr int kSerialScratchSize = 512;

// Raw exchanges have no frame length to go by: a reply has ended once nothing more arrives for
// this long after its last byte (on the serial line, 5 ms plus one byte time; on sockets, one
// polling interval).
inline constexpr int kSerialRawGapMs = 6;
inline constexpr int kSocketRawGapMs = 5;
