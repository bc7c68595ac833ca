#include "zelctl_options.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "electrical_json.h"

namespace {

constexpr long long kMax16 = 65535;
constexpr long long kMax32 = 4294967295LL;

// What a flag needs: the commands that take it and whether a value follows.
struct FlagSpec {
    const char* name;
    bool takesValue;
    bool read, rs485, electrical;
};

constexpr FlagSpec kFlags[] = {
    {"--serial", true, true, true, true},        {"--config", true, true, true, true},
    {"--udp", true, true, true, true},           {"--tcp", true, true, true, true},
    {"--modbus-tcp", true, true, true, true},    {"--station", true, true, true, true},
    {"--trace", false, true, true, true},        {"--json", false, true, false, false},
    {"--new-station", true, false, true, false}, {"--new-config", true, false, true, false},
    {"--from-json", true, false, false, true},   {"--mode", true, false, false, true},
    {"--ratios", true, false, false, true},      {"--measures", true, false, false, true},
    {"--thresholds", true, false, false, true},  {"--delays", true, false, false, true},
};

const FlagSpec* FindFlag(const std::string& name) {
    for (const auto& flag : kFlags) {
        if (name == flag.name) {
            return &flag;
        }
    }
    return nullptr;
}

bool TakesFlag(const FlagSpec& flag, Command command) {
    switch (command) {
        case Command::Read:
            return flag.read;
        case Command::WriteRs485:
            return flag.rs485;
        case Command::WriteElectrical:
            return flag.electrical;
    }
    return false;
}

std::string Number(const std::string& flag, const std::string& text, long long low, long long high,
                   int& value) {
    long long number = 0;
    if (!ParseDecimal(text, low, high, number)) {
        return flag + ": expected a number from " + std::to_string(low) + " to " +
               std::to_string(high) + ": " + text;
    }
    value = static_cast<int>(number);  // thresholds above INT_MAX keep their 32 bits
    return {};
}

// A comma-separated list of `minCount` to `maxCount` numbers within low..high.
std::string List(const std::string& flag, const std::string& text, size_t minCount, size_t maxCount,
                 long long low, long long high, std::vector<int>& values) {
    values.clear();
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        int value = 0;
        if (std::string error = Number(flag, item, low, high, value); !error.empty()) {
            return error;
        }
        values.push_back(value);
    }
    if (!text.empty() && text.back() == ',') {
        return flag + ": empty item in list: " + text;
    }
    if (values.size() < minCount || values.size() > maxCount) {
        return flag + ": expected " +
               (minCount == maxCount
                    ? std::to_string(minCount)
                    : std::to_string(minCount) + " or " + std::to_string(maxCount)) +
               " comma-separated values: " + text;
    }
    return {};
}

std::string HostPort(const std::string& flag, const std::string& text, LinkOptions& link) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return flag + ": expected HOST:PORT: " + text;
    }
    long long port = 0;
    if (!ParseDecimal(text.substr(colon + 1), 1, 65535, port)) {
        return flag + ": port must be a number from 1 to 65535: " + text;
    }
    link.host = text.substr(0, colon);
    link.port = static_cast<int>(port);
    return {};
}

std::string SerialPort(const std::string& text, LinkOptions& link) {
    if (text.empty()) {
        return "--serial: missing port";
    }
    const bool comName =
        text.size() > 3 && (text.compare(0, 3, "COM") == 0 || text.compare(0, 3, "com") == 0);
    if (comName && std::isdigit(static_cast<unsigned char>(text[3]))) {
        long long number = 0;
        if (!ParseDecimal(text.substr(3), 1, 256, number)) {
            return "--serial: COM port number must be 1 to 256: " + text;
        }
        link.comPort = static_cast<int>(number);
        return {};
    }
    link.devicePath = text;
    return {};
}

std::string ReadJsonFile(const std::string& path, ElectricalChanges& changes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return "--from-json: cannot read " + path;
    }
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    if (std::string error = ReadElectricalJson(text, changes); !error.empty()) {
        return "--from-json " + path + ": " + error;
    }
    return {};
}

}  // namespace

bool ParseDecimal(const std::string& text, long long low, long long high, long long& value) {
    if (text.empty() || text.size() > 12 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    value = std::stoll(text);
    return value >= low && value <= high;
}

std::string ParseZelctlArguments(const std::vector<std::string>& args, ZelctlOptions& options) {
    if (args.empty()) {
        return "missing command (read, write-rs485, write-electrical, config)";
    }
    const std::string& command = args[0];
    if (command == "read") {
        options.command = Command::Read;
    } else if (command == "write-rs485") {
        options.command = Command::WriteRs485;
    } else if (command == "write-electrical") {
        options.command = Command::WriteElectrical;
    } else {
        return command + ": unknown command";
    }

    bool configGiven = false, newStationGiven = false, newConfigGiven = false;
    std::string jsonFile;
    ElectricalChanges& changes = options.changes;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& name = args[i];
        const FlagSpec* flag = FindFlag(name);
        if (flag == nullptr || !TakesFlag(*flag, options.command)) {
            return name + ": unknown argument for " + command;
        }
        std::string value;
        if (flag->takesValue) {
            if (i + 1 >= args.size()) {
                return name + ": missing value";
            }
            value = args[++i];
        }
        std::string error;
        std::vector<int> list;
        auto setLink = [&](LinkKind kind) {
            if (options.link.kind != LinkKind::None) {
                return name + ": only one link may be given";
            }
            options.link.kind = kind;
            return kind == LinkKind::Serial ? SerialPort(value, options.link)
                                            : HostPort(name, value, options.link);
        };
        auto four = [&](long long low, long long high, std::optional<std::array<int, 4>>& to) {
            error = List(name, value, 4, 4, low, high, list);
            if (error.empty()) {
                to = std::array<int, 4>{list[0], list[1], list[2], list[3]};
            }
        };
        if (name == "--serial") {
            error = setLink(LinkKind::Serial);
        } else if (name == "--udp") {
            error = setLink(LinkKind::Udp);
        } else if (name == "--tcp") {
            error = setLink(LinkKind::Tcp);
        } else if (name == "--modbus-tcp") {
            error = setLink(LinkKind::ModbusTcp);
        } else if (name == "--config") {
            error = Number(name, value, 0, 5, options.link.portConfig);
            configGiven = true;
        } else if (name == "--station") {
            error = Number(name, value, 1, 255, options.station);
        } else if (name == "--trace") {
            options.trace = true;
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--new-station") {
            error = Number(name, value, 1, 255, options.newStation);
            newStationGiven = true;
        } else if (name == "--new-config") {
            error = Number(name, value, 0, 5, options.newConfig);
            newConfigGiven = true;
        } else if (name == "--from-json") {
            jsonFile = value;
        } else if (name == "--mode") {
            int mode = 0;
            error = Number(name, value, 0, 3, mode);
            changes.workingMode = mode;
        } else if (name == "--ratios") {
            error = List(name, value, 1, 3, 0, kMax16, changes.ratios);
            if (error.empty() && changes.ratios.size() == 2) {
                error = "--ratios: expected 1 or 3 comma-separated values: " + value;
            }
        } else if (name == "--measures") {
            four(0, kMax16, changes.measures);
        } else if (name == "--thresholds") {
            four(0, kMax32, changes.thresholds);
        } else if (name == "--delays") {
            four(0, kMax16, changes.delays);
        }
        if (!error.empty()) {
            return error;
        }
    }

    if (configGiven && options.link.kind != LinkKind::Serial) {
        return "--config: only with --serial";
    }
    if (options.command == Command::WriteRs485) {
        if (!newStationGiven) {
            return "--new-station: missing";
        }
        if (!newConfigGiven) {
            return "--new-config: missing";
        }
    }
    if (options.command == Command::WriteElectrical) {
        if (!jsonFile.empty()) {
            if (!changes.Empty()) {
                return "--from-json: cannot be combined with --mode, --ratios, --measures, "
                       "--thresholds or --delays";
            }
            if (std::string error = ReadJsonFile(jsonFile, changes); !error.empty()) {
                return error;
            }
        }
        if (changes.Empty()) {
            return "write-electrical: nothing to write (give --from-json or values)";
        }
    }
    return {};
}
