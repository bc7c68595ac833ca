// The command line of zelctl, checked whole before anything is sent.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

enum class LinkKind { None, Serial, Udp, Tcp, ModbusTcp };

struct LinkOptions {
    LinkKind kind = LinkKind::None;
    int comPort = 0;         // Serial: COMn, or 0 when a device path was given
    std::string devicePath;  // Serial: the path when not COMn
    int portConfig = 0;      // Serial: line settings code 0 to 5
    std::string host;        // sockets
    int port = 0;
};

// Electrical values to change; what is not given keeps the device's value.
struct ElectricalChanges {
    std::optional<int> workingMode;
    std::vector<int> ratios;  // empty, L1 only, or L1 to L3
    std::optional<std::array<int, 4>> measures;
    std::optional<std::array<int, 4>> thresholds;  // device units, 32-bit
    std::optional<std::array<int, 4>> delays;

    bool Empty() const {
        return !workingMode && ratios.empty() && !measures && !thresholds && !delays;
    }
};

enum class Command { Read, WriteRs485, WriteElectrical };

struct ZelctlOptions {
    Command command = Command::Read;
    LinkOptions link;
    int station = 1;
    bool json = false;
    bool trace = false;
    int newStation = 0;
    int newConfig = 0;
    ElectricalChanges changes;
};

inline constexpr const char* kZelctlUsage =
    "usage: zelctl read [LINK] [--station N] [--json] [--trace]\n"
    "       zelctl write-rs485 [LINK] [--station N] --new-station M --new-config C [--trace]\n"
    "       zelctl write-electrical [LINK] [--station N] [--trace] (--from-json FILE |\n"
    "              [--mode M] [--ratios A[,B,C]] [--measures M1,M2,M3,M4]\n"
    "              [--thresholds T1,T2,T3,T4] [--delays D1,D2,D3,D4])\n"
    "       zelctl config show | get NAME | set NAME VALUE [--dir DIR]\n"
    "LINK:  --serial COMn|DEVICE [--config C] | --udp HOST:PORT | --tcp HOST:PORT |\n"
    "       --modbus-tcp HOST:PORT   (none: the connection saved in default.xcfg)\n";

// Fills `options` from the words after the program name (the command first). Returns an
// empty string on success, else a one-line message naming the bad argument. Reads the file of
// --from-json and checks its contents.
std::string ParseZelctlArguments(const std::vector<std::string>& args, ZelctlOptions& options);

// Number parsing shared with the JSON reader: decimal digits only, within low..high.
bool ParseDecimal(const std::string& text, long long low, long long high, long long& value);
