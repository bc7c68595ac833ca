// The device commands of zelctl. Each returns the program's exit status: 0 success, 1 no
// channel or the link failed to open, 2 a request failed, 3 the device reports a station
// number outside 1 to 255, 64 input that does not fit the device.
#pragma once

#include <string>

#include "comm/connection.h"
#include "zelctl_options.h"

inline constexpr int kExitOk = 0;
inline constexpr int kExitNoLink = 1;
inline constexpr int kExitRequestFailed = 2;
inline constexpr int kExitBadStation = 3;
inline constexpr int kExitUsage = 64;

// Reads the device and prints it: JSON with `json`, else a table. `tableOpen` tells whether
// measure texts are available; without them the table shows codes alone and a warning goes
// to stderr.
int RunRead(XCConnection& channel, int station, bool json, bool tableOpen,
            const std::string& linkName);

// Writes the new station number and port configuration.
int RunWriteRs485(XCConnection& channel, int station, int newStation, int newConfig,
                  const std::string& linkName);

// Reads the device to learn its model and values, applies `changes` on top and writes through
// WriteElectricalParams, unless every value already equals the device's.
int RunWriteElectrical(XCConnection& channel, int station, const ElectricalChanges& changes,
                       const std::string& linkName);
