#include "ui/logic/main_window_display.h"

#include <cstdio>
#include <string>

#include "layout/control_ids.h"

const std::array<int, 25> kThreeLineOnlyControls = {
    ctl::kRatioL2,         ctl::kMeasureL2,    ctl::kThresholdL2,      ctl::kDelayL2,
    ctl::kRatioL3,         ctl::kMeasureL3,    ctl::kThresholdL3,      ctl::kDelayL3,
    ctl::kRatioTotal,      ctl::kMeasureTotal, ctl::kThresholdTotal,   ctl::kDelayTotal,
    ctl::kColumnL1,        ctl::kColumnL2,     ctl::kColumnL3,         ctl::kColumnTotal,
    ctl::kMeasureLabel,    ctl::kMeasureL1,    ctl::kThresholdLabel,   ctl::kThresholdL1,
    ctl::kDelayLabel,      ctl::kDelayL1,      ctl::kWorkingModeLabel, ctl::kWorkingMode,
    ctl::kWorkingModeNote,
};

namespace {

constexpr int kLineCount = 3;  // L1, L2, L3; index 3 is the total III
constexpr int kTenthsMeasure = 1;

constexpr std::array<int, 4> kRatioCells = {ctl::kRatioL1, ctl::kRatioL2, ctl::kRatioL3,
                                            ctl::kRatioTotal};
constexpr std::array<int, 4> kMeasureCells = {ctl::kMeasureL1, ctl::kMeasureL2, ctl::kMeasureL3,
                                              ctl::kMeasureTotal};
constexpr std::array<int, 4> kThresholdCells = {ctl::kThresholdL1, ctl::kThresholdL2,
                                                ctl::kThresholdL3, ctl::kThresholdTotal};
constexpr std::array<int, 4> kDelayCells = {ctl::kDelayL1, ctl::kDelayL2, ctl::kDelayL3,
                                            ctl::kDelayTotal};

std::u16string Ascii(const char* text) {
    std::u16string wide;
    for (const char* c = text; *c != '\0'; ++c) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    }
    return wide;
}

template <std::size_t N>
std::u16string TextAt(const std::array<std::u16string, N>& texts, int code) {
    if (code < 0 || code >= static_cast<int>(N)) {
        return {};
    }
    return texts[static_cast<std::size_t>(code)];
}

}  // namespace

std::u16string DecimalText(int value) {
    return Ascii(std::to_string(value).c_str());
}

std::u16string FormatFixed(double value, int decimals) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return Ascii(buffer);
}

bool IsOneLineDevice(const DeviceInfo& info) {
    return info.model == kOneLineModel;
}

std::vector<DisplayField> DeviceDisplayFields(const DeviceInfo& info) {
    std::vector<DisplayField> fields;
    fields.push_back({ctl::kModel, Ascii(IsOneLineDevice(info) ? "ZEL One" : "ZEL Three")});
    fields.push_back({ctl::kHardwareVersion, info.hwVersion});
    fields.push_back({ctl::kSoftwareVersion, info.swVersion});
    fields.push_back({ctl::kDeviceStationNumber, FormatFixed(info.stationNumber, 0)});
    fields.push_back({ctl::kDevicePortConfig, TextAt(info.portConfigTexts, info.portConfig)});
    for (int i = 0; i < kThresholdLineCount; ++i) {
        const bool isLine = i < kLineCount;
        if (isLine) {
            fields.push_back({kRatioCells[i], FormatFixed(info.ratio[i], 0)});
        }
        fields.push_back({kMeasureCells[i], isLine ? LineMeasureText(info, info.measure[i])
                                                   : TotalMeasureText(info, info.measure[i])});
        // Line thresholds watching measure 1 are kept by the device in tenths.
        const bool inTenths = isLine && info.measure[i] == kTenthsMeasure;
        fields.push_back({kThresholdCells[i], inTenths ? FormatFixed(info.threshold[i] * 0.1, 1)
                                                       : FormatFixed(info.threshold[i], 0)});
        fields.push_back({kDelayCells[i], FormatFixed(info.delay[i], 0)});
    }
    fields.push_back({ctl::kWorkingMode, TextAt(info.workingModeTexts, info.workingMode)});
    return fields;
}

std::vector<DisplayField> EmptyDisplayFields() {
    const std::u16string dash = u"-";
    std::vector<DisplayField> fields = {
        {ctl::kModel, dash},
        {ctl::kHardwareVersion, dash},
        {ctl::kSoftwareVersion, dash},
        {ctl::kDevicePortConfig, dash},
        {ctl::kDeviceStationNumber, dash},
    };
    for (int i = 0; i < kThresholdLineCount; ++i) {
        fields.push_back({kRatioCells[i], i < kLineCount ? dash : std::u16string()});
        fields.push_back({kMeasureCells[i], dash});
        fields.push_back({kThresholdCells[i], dash});
        fields.push_back({kDelayCells[i], dash});
    }
    fields.push_back({ctl::kWorkingMode, dash});
    return fields;
}
