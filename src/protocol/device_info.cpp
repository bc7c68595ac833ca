#include "protocol/device_info.h"

#include <cstdio>

#include "comm/port_config.h"
#include "protocol/device_registers.h"
#include "protocol/device_text.h"

namespace {

// String-table numbers of the measure names, by code - 1. The total has no per-line measures
// (texts 31, 32, 47, 48), so the same measure has a different code there.
constexpr unsigned kLineMeasureTextNumbers[kLineMeasureCount] = {31, 32, 33, 39, 41, 42, 44, 47, 48,
                                                                 49, 50, 51, 52, 53, 54, 55, 56};
constexpr unsigned kTotalMeasureTextNumbers[kTotalMeasureCount] = {33, 39, 41, 42, 44, 49, 50,
                                                                   51, 52, 53, 54, 55, 56};
constexpr unsigned kUnknownMeasureText = 57;

constexpr const char* kWorkingModeTexts[kWorkingModeCount] = {
    "L1, L2, L3", "L1(x3), L2, L3", "L1(x3), L2(x3), L3", "L1(x3), L2(x3), L3(x3)"};

std::u16string Ascii(const char* text) {
    std::u16string wide;
    for (const char* c = text; *c != '\0'; ++c) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    }
    return wide;
}

}  // namespace

DeviceInfo::DeviceInfo() {
    for (int i = 0; i < kPortConfigCount; ++i) {
        portConfigTexts[i] = Ascii(kPortConfigs[i].text);
    }
    for (int i = 0; i < kWorkingModeCount; ++i) {
        workingModeTexts[i] = Ascii(kWorkingModeTexts[i]);
    }
    for (int i = 0; i < kLineMeasureCount; ++i) {
        lineMeasureTexts[i] = DeviceText(kLineMeasureTextNumbers[i]);
    }
    for (int i = 0; i < kTotalMeasureCount; ++i) {
        totalMeasureTexts[i] = DeviceText(kTotalMeasureTextNumbers[i]);
    }
}

ElectricalParams ElectricalParamsOf(const DeviceInfo& info) {
    ElectricalParams params{};
    params[kParamModelCode] = info.modelCode;
    params[kParamWorkingMode] = info.workingMode;
    for (int i = 0; i < kRatioCount; ++i) {
        params[kParamRatio + i] = info.ratio[i];
    }
    for (int i = 0; i < kThresholdLineCount; ++i) {
        params[kParamMeasure + i] = info.measure[i];
        params[kParamThreshold + i] = info.threshold[i];
        params[kParamDelay + i] = info.delay[i];
    }
    return params;
}

bool IsOneLineModel(int modelCode) {
    return modelCode == device_registers::kOneLineModelCode;
}

const char* ModelName(int modelCode) {
    return IsOneLineModel(modelCode) ? "ZEL One" : "ZEL Three";
}

std::u16string LineMeasureText(const DeviceInfo& info, int code) {
    if (code < 1 || code > kLineMeasureCount) {
        return DeviceText(kUnknownMeasureText);
    }
    return info.lineMeasureTexts[code - 1];
}

std::u16string TotalMeasureText(const DeviceInfo& info, int code) {
    if (code < 1 || code > kTotalMeasureCount) {
        return DeviceText(kUnknownMeasureText);
    }
    return info.totalMeasureTexts[code - 1];
}

std::u16string VersionText(unsigned registerValue) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", registerValue / 10.0);
    return Ascii(text);
}
