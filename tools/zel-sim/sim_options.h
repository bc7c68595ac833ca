// The command line of zel-sim.
#pragma once

#include <optional>
#include <string>

#include "sim_responder.h"

struct SimOptions {
    bool oneLine = false;
    std::optional<int> station;
    std::optional<int> modbusTcpPort;
    std::optional<int> tcpPort;
    std::optional<int> udpPort;
    std::string ptyLink;
    std::string stateFile;
    std::string bindAddress = "127.0.0.1";
    SimFault fault;
};

inline constexpr const char* kSimUsage =
    "usage: zel-sim --model one|three [--station N] [--modbus-tcp PORT] [--tcp PORT]\n"
    "               [--udp PORT] [--pty LINK-PATH] [--state FILE] [--fault KIND]\n"
    "               [--bind ADDRESS]\n"
    "  PORT 0 picks a free port; each link is announced on stdout once it listens.\n"
    "  KIND: silent, exception:N, bad-crc, wrong-station, split, busy-once, silent-after:K\n";

// Fills `options` from the arguments after the program name. Returns an empty string on
// success, else a one-line message naming the bad argument.
std::string ParseSimOptions(int argc, char** argv, SimOptions& options);
