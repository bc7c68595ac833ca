#include "sim_state_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

template <typename T, size_t N>
bool ReadArray(std::istringstream& in, std::array<T, N>& values) {
    for (auto& value : values) {
        long long number = 0;
        if (!(in >> number) || number < 0 || number > 0xFFFFFFFFLL) {
            return false;
        }
        value = static_cast<T>(number);
    }
    return true;
}

bool ReadInt(std::istringstream& in, int& value) {
    long long number = 0;
    if (!(in >> number) || number < 0 || number > 65535) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

bool ReadLine(const std::string& line, SimDeviceState& s) {
    std::istringstream in(line);
    std::string key;
    if (!(in >> key)) {
        return true;  // blank line
    }
    bool ok = false;
    if (key == "model") {
        long long number = 0;
        ok = (in >> number) && number >= 0 && number <= 0xFFFFFFFFLL;
        s.modelCode = static_cast<std::uint32_t>(number);
    } else if (key == "station") {
        ok = ReadInt(in, s.station);
    } else if (key == "portConfig") {
        ok = ReadInt(in, s.portConfig);
    } else if (key == "hwVersion") {
        ok = ReadInt(in, s.hwVersion);
    } else if (key == "swVersion") {
        ok = ReadInt(in, s.swVersion);
    } else if (key == "workingMode") {
        ok = ReadInt(in, s.workingMode);
    } else if (key == "ratio") {
        ok = ReadArray(in, s.ratio);
    } else if (key == "measure") {
        ok = ReadArray(in, s.measure);
    } else if (key == "threshold") {
        ok = ReadArray(in, s.threshold);
    } else if (key == "delay") {
        ok = ReadArray(in, s.delay);
    }
    std::string rest;
    return ok && !(in >> rest);
}

template <typename T, size_t N>
void WriteArray(std::ostream& out, const char* key, const std::array<T, N>& values) {
    out << key;
    for (const auto& value : values) {
        out << ' ' << value;
    }
    out << '\n';
}

}  // namespace

StateFileResult LoadStateFile(const std::string& path, SimDeviceState& state, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        return StateFileResult::Missing;
    }
    SimDeviceState loaded = state;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (!ReadLine(line, loaded)) {
            error = path + ":" + std::to_string(number) + ": not understood: " + line;
            return StateFileResult::Malformed;
        }
    }
    state = loaded;
    return StateFileResult::Loaded;
}

bool SaveStateFile(const std::string& path, const SimDeviceState& s) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "model " << s.modelCode << '\n'
            << "station " << s.station << '\n'
            << "portConfig " << s.portConfig << '\n'
            << "hwVersion " << s.hwVersion << '\n'
            << "swVersion " << s.swVersion << '\n'
            << "workingMode " << s.workingMode << '\n';
        WriteArray(out, "ratio", s.ratio);
        WriteArray(out, "measure", s.measure);
        WriteArray(out, "threshold", s.threshold);
        WriteArray(out, "delay", s.delay);
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}
