#include "electrical_json.h"

#include <nlohmann/json.hpp>

#include "comm/port_config.h"
#include "config/utf.h"

using Json = nlohmann::ordered_json;

namespace {

std::string Utf8(const std::u16string& text) {
    return WideToUtf8(text);
}

// Reads an array of `minCount` to `maxCount` whole numbers within 0..high.
std::string Numbers(const Json& value, const char* name, size_t minCount, size_t maxCount,
                    long long high, std::vector<int>& numbers) {
    if (!value.is_array() || value.size() < minCount || value.size() > maxCount) {
        return std::string(name) + ": expected an array of " + std::to_string(minCount) +
               (minCount == maxCount ? "" : " to " + std::to_string(maxCount)) + " numbers";
    }
    numbers.clear();
    for (const auto& item : value) {
        if (!item.is_number_integer() || item.get<long long>() < 0 ||
            item.get<long long>() > high) {
            return std::string(name) + ": expected whole numbers from 0 to " + std::to_string(high);
        }
        numbers.push_back(static_cast<int>(item.get<long long>()));
    }
    return {};
}

std::string Four(const Json& value, const char* name, long long high,
                 std::optional<std::array<int, 4>>& to) {
    std::vector<int> numbers;
    if (std::string error = Numbers(value, name, 4, 4, high, numbers); !error.empty()) {
        return error;
    }
    to = std::array<int, 4>{numbers[0], numbers[1], numbers[2], numbers[3]};
    return {};
}

}  // namespace

std::string DeviceInfoJson(const DeviceInfo& info) {
    Json json;
    json["model"] = static_cast<std::uint32_t>(info.model);
    json["modelName"] = ModelName(info.modelCode);
    json["hwVersion"] = Utf8(info.hwVersion);
    json["swVersion"] = Utf8(info.swVersion);
    json["stationNumber"] = info.stationNumber;
    json["portConfig"] = info.portConfig;
    json["portConfigText"] = info.portConfig >= 0 && info.portConfig < kPortConfigCount
                                 ? Utf8(info.portConfigTexts[info.portConfig])
                                 : std::string();
    if (IsOneLineModel(info.modelCode)) {
        json["ratio"] = Json::array({info.ratio[0]});
        return json.dump() + "\n";
    }
    json["workingMode"] = info.workingMode;
    json["workingModeText"] = info.workingMode >= 0 && info.workingMode < kWorkingModeCount
                                  ? Utf8(info.workingModeTexts[info.workingMode])
                                  : std::string();
    json["ratio"] = info.ratio;
    json["measure"] = info.measure;
    Json texts = Json::array();
    for (int i = 0; i < kThresholdLineCount; ++i) {
        texts.push_back(Utf8(i < 3 ? LineMeasureText(info, info.measure[i])
                                   : TotalMeasureText(info, info.measure[i])));
    }
    json["measureText"] = texts;
    // The device holds thresholds as unsigned 32-bit values.
    Json thresholds = Json::array();
    for (int value : info.threshold) {
        thresholds.push_back(static_cast<std::uint32_t>(value));
    }
    json["threshold"] = thresholds;
    json["delay"] = info.delay;
    return json.dump() + "\n";
}

std::string ReadElectricalJson(const std::string& text, ElectricalChanges& changes) {
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        return "not a JSON object";
    }
    static const char* const kIgnored[] = {"model",          "modelName",       "hwVersion",
                                           "swVersion",      "stationNumber",   "portConfig",
                                           "portConfigText", "workingModeText", "measureText"};
    for (const auto& [name, value] : json.items()) {
        std::string error;
        std::vector<int> numbers;
        if (name == "workingMode") {
            if (!value.is_number_integer() || value.get<long long>() < 0 ||
                value.get<long long>() > 3) {
                error = "workingMode: expected a whole number from 0 to 3";
            } else {
                changes.workingMode = value.get<int>();
            }
        } else if (name == "ratio") {
            error = Numbers(value, "ratio", 1, 3, 65535, changes.ratios);
            if (error.empty() && changes.ratios.size() == 2) {
                error = "ratio: expected 1 or 3 numbers";
            }
        } else if (name == "measure") {
            error = Four(value, "measure", 65535, changes.measures);
        } else if (name == "threshold") {
            error = Four(value, "threshold", 4294967295LL, changes.thresholds);
        } else if (name == "delay") {
            error = Four(value, "delay", 65535, changes.delays);
        } else if (std::find(std::begin(kIgnored), std::end(kIgnored), name) ==
                   std::end(kIgnored)) {
            error = name + ": unknown name";
        }
        if (!error.empty()) {
            return error;
        }
    }
    return {};
}
