// The three operations on an analyser. Each opens the channel, runs its requests one after the
// other (every one must end Done, else the operation stops there), closes the channel and
// returns a result code. Writes made before a failing request stay written in the device.
#pragma once

#include "comm/connection.h"
#include "protocol/device_info.h"

// Result codes of the device operations.
inline constexpr int kDeviceOk = 0;
inline constexpr int kDeviceNoLink = 1;         // no channel, or it failed to open
inline constexpr int kDeviceRequestFailed = 2;  // a request did not end Done
inline constexpr int kDeviceBadStation = 3;     // the device reports a station outside 1 to 255

// Reads identification, RS-485 settings and electrical parameters of the device at `station`
// into `info`: 2 requests for the one-line model, 9 for the three-line model. Sets the
// channel's extraTimeout to 1000 ms. Values read before a failing request stay in `info`;
// fields the model lacks are left untouched. Returns kDeviceOk, kDeviceNoLink (also for a
// null channel), kDeviceRequestFailed or kDeviceBadStation (identification already filled).
int ReadDevice(DeviceInfo& info, int station, XCConnection* channel);

// Writes registers 0 and 1 (new station number, new port configuration code) of the device
// that answers at `station` now, in one request. Returns kDeviceOk, kDeviceNoLink (also for a
// null channel) or kDeviceRequestFailed.
int WriteRS485Params(int station, XCConnection* channel, int newStation, int newPortConfig);

// Writes the electrical parameters: register 50 only for the one-line model (params[0] is its
// code), else 12 requests (working mode, three ratios, four threshold blocks, four delays).
// 16-bit registers take the low 16 bits of their value. Returns kDeviceOk, kDeviceNoLink (also
// for a null channel) or kDeviceRequestFailed.
int WriteElectricalParams(int station, XCConnection* channel, const ElectricalParams& params);
