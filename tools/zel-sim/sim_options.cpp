#include "sim_options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace {

bool ParseNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != text.npos) {
        return false;
    }
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

}  // namespace

std::string ParseSimOptions(int argc, char** argv, SimOptions& options) {
    bool modelGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string name = argv[i];
        static const char* const kKnown[] = {"--model", "--station", "--modbus-tcp",
                                             "--tcp",   "--udp",     "--pty",
                                             "--state", "--bind",    "--fault"};
        if (std::find(std::begin(kKnown), std::end(kKnown), name) == std::end(kKnown)) {
            return name + ": unknown argument";
        }
        if (i + 1 >= argc) {
            return name + ": missing value";
        }
        const std::string value = argv[++i];
        int number = 0;
        auto port = [&](std::optional<int>& target) -> std::string {
            if (!ParseNumber(value, 0, 65535, number)) {
                return name + ": not a port number (0 to 65535): " + value;
            }
            target = number;
            return {};
        };
        std::string error;
        if (name == "--model") {
            if (value != "one" && value != "three") {
                return "--model: expected one or three: " + value;
            }
            options.oneLine = value == "one";
            modelGiven = true;
        } else if (name == "--station") {
            if (!ParseNumber(value, 1, 255, number)) {
                return "--station: not a station number (1 to 255): " + value;
            }
            options.station = number;
        } else if (name == "--modbus-tcp") {
            error = port(options.modbusTcpPort);
        } else if (name == "--tcp") {
            error = port(options.tcpPort);
        } else if (name == "--udp") {
            error = port(options.udpPort);
        } else if (name == "--pty") {
            options.ptyLink = value;
        } else if (name == "--state") {
            options.stateFile = value;
        } else if (name == "--bind") {
            in_addr address{};
            if (inet_pton(AF_INET, value.c_str(), &address) != 1) {
                return "--bind: not an IPv4 address: " + value;
            }
            options.bindAddress = value;
        } else if (name == "--fault") {
            if (!ParseFault(value, options.fault)) {
                return "--fault: unknown fault: " + value;
            }
        }
        if (!error.empty()) {
            return error;
        }
    }
    if (!modelGiven) {
        return "--model: missing (one or three)";
    }
    if (!options.modbusTcpPort && !options.tcpPort && !options.udpPort && options.ptyLink.empty()) {
        return "no link: give at least one of --modbus-tcp, --tcp, --udp, --pty";
    }
    return {};
}
