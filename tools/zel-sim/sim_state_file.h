// Keeping the simulated device's settings across runs in a small text file, one setting a
// line ("station 12", "ratio 100 100 100").
#pragma once

#include <string>

#include "sim_device.h"

enum class StateFileResult { Loaded, Missing, Malformed };

// Reads `path` into `state`. Missing leaves `state` as it was; Malformed names the bad line in
// `error` and leaves `state` as it was.
StateFileResult LoadStateFile(const std::string& path, SimDeviceState& state, std::string& error);

// Writes `state` to `path` through a temporary file renamed over it, so a crash never leaves
// half a file. False when the file cannot be written.
bool SaveStateFile(const std::string& path, const SimDeviceState& state);
