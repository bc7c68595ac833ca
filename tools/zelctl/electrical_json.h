// The JSON form of a device's values: printed by `zelctl read --json`, taken back unchanged by
// `zelctl write-electrical --from-json`.
#pragma once

#include <string>

#include "protocol/device_info.h"
#include "zelctl_options.h"

// One JSON object with the DeviceInfo names; the electrical fields only for the three-line
// model (the one-line model's "ratio" holds L1 alone). Measure texts come from `info`'s lists.
std::string DeviceInfoJson(const DeviceInfo& info);

// Takes workingMode, ratio, measure, threshold and delay from a JSON object as DeviceInfoJson
// prints it into `changes`; the other names it prints are accepted and ignored. Returns an
// empty string on success, else what is wrong (unknown name, wrong type, value out of range).
std::string ReadElectricalJson(const std::string& text, ElectricalChanges& changes);
