// What the analyser holds, as read from it, and the lists that turn its codes into texts.
#pragma once

#include <array>
#include <string>

// Lines L1, L2, L3 carry a transformer ratio; L1, L2, L3 and the total III carry a threshold.
inline constexpr int kRatioCount = 3;
inline constexpr int kThresholdLineCount = 4;
inline constexpr int kLineMeasureCount = 17;
inline constexpr int kTotalMeasureCount = 13;
inline constexpr int kWorkingModeCount = 4;

// The values of one device. Every numeric field starts at 0, so a record that was never read
// (or only partly read) shows zeros rather than garbage.
struct DeviceInfo {
    // Fills the four value lists; the measure texts come from the string table and stay empty
    // when no table is open.
    DeviceInfo();

    double model = 0;  // model code from registers 4 and 5, unsigned 32 bits
    std::u16string hwVersion;
    std::u16string swVersion;
    int stationNumber = 0;
    int portConfig = 0;   // index into portConfigTexts
    int modelCode = 0;    // model as an int
    int workingMode = 0;  // index into workingModeTexts
    std::array<int, kRatioCount> ratio{};
    std::array<int, kThresholdLineCount> measure{};
    std::array<int, kThresholdLineCount> threshold{};  // device units
    std::array<int, kThresholdLineCount> delay{};

    std::array<std::u16string, 6> portConfigTexts;
    std::array<std::u16string, kWorkingModeCount> workingModeTexts;
    std::array<std::u16string, kLineMeasureCount> lineMeasureTexts;
    std::array<std::u16string, kTotalMeasureCount> totalMeasureTexts;
};

// The 17 values of an electrical write, by position.
using ElectricalParams = std::array<int, 17>;
inline constexpr int kParamModelCode = 0;
inline constexpr int kParamWorkingMode = 1;
inline constexpr int kParamRatio = 2;      // 2, 3, 4: L1, L2, L3
inline constexpr int kParamMeasure = 5;    // 5 to 8: L1, L2, L3, III
inline constexpr int kParamThreshold = 9;  // 9 to 12, device units
inline constexpr int kParamDelay = 13;     // 13 to 16

// The electrical values `info` holds, laid out for WriteElectricalParams.
ElectricalParams ElectricalParamsOf(const DeviceInfo& info);

// True for the one-line model code; every other code is the three-line model.
bool IsOneLineModel(int modelCode);

// "ZEL One" or "ZEL Three".
const char* ModelName(int modelCode);

// Text of a line's (L1 to L3) threshold measure code 1 to 17; string-table text 57 otherwise.
std::u16string LineMeasureText(const DeviceInfo& info, int code);

// Text of the total's (III) threshold measure code 1 to 13; string-table text 57 otherwise.
std::u16string TotalMeasureText(const DeviceInfo& info, int code);

// A version register (version x 10) as its text with one decimal: 123 gives "12.3".
std::u16string VersionText(unsigned registerValue);
