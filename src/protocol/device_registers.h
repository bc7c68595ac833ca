// Where the analyser keeps each setting: Modbus register addresses (the value sent in a request)
// and how values are coded. Shared by the device operations and the simulator.
#pragma once

#include <cstdint>

namespace device_registers {

// Identification and RS-485 settings: one block of holding registers, read with function 3.
inline constexpr std::uint16_t kIdentificationFirst = 0;
inline constexpr std::uint16_t kIdentificationCount = 12;
inline constexpr std::uint16_t kStationNumber = 0;
inline constexpr std::uint16_t kPortConfig = 1;
inline constexpr std::uint16_t kModelHigh = 4;  // model code, high 16 bits; low 16 bits in 5
inline constexpr std::uint16_t kModelLow = 5;
inline constexpr std::uint16_t kHardwareVersion = 7;  // version x 10
inline constexpr std::uint16_t kSoftwareVersion = 8;  // version x 10

inline constexpr std::uint16_t kWorkingMode = 12;

// Transformer ratios of L1, L2, L3, one holding register each.
inline constexpr std::uint16_t kRatio[3] = {50, 250, 450};

// Threshold blocks of L1, L2, L3 and the total III: read as 8 input registers (function 4),
// written with function 16 at the same addresses.
inline constexpr std::uint16_t kThresholdBase[4] = {632, 732, 832, 932};
inline constexpr std::uint16_t kThresholdBlockCount = 8;
inline constexpr std::uint16_t kMeasureOffset = 0;
inline constexpr std::uint16_t kThresholdHighOffset = 1;  // 32-bit value, high half first
inline constexpr std::uint16_t kThresholdLowOffset = 2;
inline constexpr std::uint16_t kDelayOffset = 7;

inline constexpr std::uint8_t kReadHoldingRegisters = 3;
inline constexpr std::uint8_t kReadInputRegisters = 4;
inline constexpr std::uint8_t kWriteMultipleRegisters = 16;

// The one-line model reports this model code; every other code is the three-line model.
inline constexpr int kOneLineModelCode = 67367;

}  // namespace device_registers
