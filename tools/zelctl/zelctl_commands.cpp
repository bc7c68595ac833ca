#include "zelctl_commands.h"

#include <cstdio>
#include <iostream>
#include <sstream>

#include "comm/port_config.h"
#include "config/utf.h"
#include "electrical_json.h"
#include "protocol/device_operations.h"

namespace {

int ReportFailure(int result, XCConnection& channel, int station, const std::string& linkName,
                  const DeviceInfo* info) {
    switch (result) {
        case kDeviceNoLink:
            std::cerr << "zelctl: cannot open " << linkName
                      << (channel.LastError().empty() ? "" : ": " + channel.LastError()) << "\n";
            return kExitNoLink;
        case kDeviceRequestFailed:
            std::cerr << "zelctl: no correct reply from station " << station << " over " << linkName
                      << "\n";
            return kExitRequestFailed;
        case kDeviceBadStation:
            std::cerr << "zelctl: the device reports station number "
                      << (info ? info->stationNumber : 0) << ", outside 1 to 255\n";
            return kExitBadStation;
        default:
            return kExitOk;
    }
}

std::string Text(const std::u16string& text) {
    return WideToUtf8(text);
}

// "3 (name)", or "3" alone when there is no text for the code.
std::string CodeAndText(int code, const std::u16string& text) {
    return text.empty() ? std::to_string(code) : std::to_string(code) + " (" + Text(text) + ")";
}

std::string Table(const DeviceInfo& info) {
    std::ostringstream out;
    const bool oneLine = IsOneLineModel(info.modelCode);
    auto row = [&](const char* label, const std::string& value) {
        char head[32];
        std::snprintf(head, sizeof head, "%-20s", label);
        out << head << value << "\n";
    };
    row("Model", std::string(ModelName(info.modelCode)) + " (" +
                     std::to_string(static_cast<std::uint32_t>(info.model)) + ")");
    row("Hardware version", Text(info.hwVersion));
    row("Software version", Text(info.swVersion));
    row("Station number", std::to_string(info.stationNumber));
    const bool knownConfig = info.portConfig >= 0 && info.portConfig < kPortConfigCount;
    row("Port configuration",
        CodeAndText(info.portConfig, knownConfig ? info.portConfigTexts[info.portConfig] : u""));
    if (oneLine) {
        row("Transformer ratio", std::to_string(info.ratio[0]));
        return out.str();
    }
    const bool knownMode = info.workingMode >= 0 && info.workingMode < kWorkingModeCount;
    row("Working mode",
        CodeAndText(info.workingMode, knownMode ? info.workingModeTexts[info.workingMode] : u""));
    out << "\nLine  Ratio   Threshold   Delay  Measure\n";
    static const char* const kLines[kThresholdLineCount] = {"L1", "L2", "L3", "III"};
    for (int i = 0; i < kThresholdLineCount; ++i) {
        const int measure = info.measure[i];
        const std::u16string text =
            i < 3 ? LineMeasureText(info, measure) : TotalMeasureText(info, measure);
        char line[96];
        std::snprintf(line, sizeof line, "%-5s %-7s %-11u %-6d ", kLines[i],
                      i < kRatioCount ? std::to_string(info.ratio[i]).c_str() : "-",
                      static_cast<unsigned>(info.threshold[i]), info.delay[i]);
        out << line << CodeAndText(measure, text) << "\n";
    }
    out << "(thresholds in device units: tenths for a line whose measure code is 1)\n";
    return out.str();
}

}  // namespace

int RunRead(XCConnection& channel, int station, bool json, bool tableOpen,
            const std::string& linkName) {
    DeviceInfo info;
    const int result = ReadDevice(info, station, &channel);
    if (result != kDeviceOk) {
        return ReportFailure(result, channel, station, linkName, &info);
    }
    if (!tableOpen && !IsOneLineModel(info.modelCode)) {
        std::cerr << "zelctl: warning: no string table open; measures are shown as codes\n";
    }
    std::cout << (json ? DeviceInfoJson(info) : Table(info));
    return kExitOk;
}

int RunWriteRs485(XCConnection& channel, int station, int newStation, int newConfig,
                  const std::string& linkName) {
    const int result = WriteRS485Params(station, &channel, newStation, newConfig);
    if (result != kDeviceOk) {
        return ReportFailure(result, channel, station, linkName, nullptr);
    }
    std::cout << "written: the device now answers at station " << newStation
              << " with port configuration " << newConfig << " (" << kPortConfigs[newConfig].text
              << ")\n";
    return kExitOk;
}

int RunWriteElectrical(XCConnection& channel, int station, const ElectricalChanges& changes,
                       const std::string& linkName) {
    DeviceInfo info;
    const int read = ReadDevice(info, station, &channel);
    if (read != kDeviceOk) {
        return ReportFailure(read, channel, station, linkName, &info);
    }
    const ElectricalParams current = ElectricalParamsOf(info);
    ElectricalParams wanted = current;
    if (changes.workingMode) {
        wanted[kParamWorkingMode] = *changes.workingMode;
    }
    for (size_t i = 0; i < changes.ratios.size(); ++i) {
        wanted[kParamRatio + static_cast<int>(i)] = changes.ratios[i];
    }
    for (int i = 0; i < kThresholdLineCount; ++i) {
        if (changes.measures) {
            wanted[kParamMeasure + i] = (*changes.measures)[i];
        }
        if (changes.thresholds) {
            wanted[kParamThreshold + i] = (*changes.thresholds)[i];
        }
        if (changes.delays) {
            wanted[kParamDelay + i] = (*changes.delays)[i];
        }
    }
    // The one-line model has only the L1 ratio: nothing else may be asked of it.
    if (IsOneLineModel(info.modelCode)) {
        if (changes.workingMode || changes.ratios.size() > 1 || changes.measures ||
            changes.thresholds || changes.delays) {
            std::cerr << "zelctl: the device is a ZEL One: only the L1 ratio can be written\n";
            return kExitUsage;
        }
    }
    if (wanted == current) {
        std::cout << "nothing to write: the device already holds these values\n";
        return kExitOk;
    }
    const int result = WriteElectricalParams(station, &channel, wanted);
    if (result != kDeviceOk) {
        return ReportFailure(result, channel, station, linkName, nullptr);
    }
    std::cout << "written: electrical parameters of station " << station << "\n";
    return kExitOk;
}
