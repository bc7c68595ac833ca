// zelctl: every device operation of the configuration tool from a shell.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/language.h"
#include "config_command.h"
#include "platform/program_dir.h"
#include "zelctl_commands.h"
#include "zelctl_link.h"

namespace {

// --trace: one line per frame or reply piece on stderr, timed from the program's start.
TraceFunction MakeTrace(std::chrono::steady_clock::time_point start) {
    return [start](TraceDirection direction, const std::uint8_t* bytes, int length) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        std::string line = std::to_string(elapsed) + " ms " +
                           (direction == TraceDirection::Sent ? "send" : "recv");
        char hex[4];
        for (int i = 0; i < length; ++i) {
            std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
            line += hex;
        }
        std::fprintf(stderr, "%s\n", line.c_str());
    };
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string programDir = platform::ProgramDir();
    if (!args.empty() && args[0] == "config") {
        return RunConfigCommand(std::vector<std::string>(args.begin() + 1, args.end()), programDir);
    }

    ZelctlOptions options;
    if (const std::string error = ParseZelctlArguments(args, options); !error.empty()) {
        std::cerr << "zelctl: " << error << "\n" << kZelctlUsage;
        return kExitUsage;
    }
    bool stationGiven = false;
    for (const auto& arg : args) {
        stationGiven = stationGiven || arg == "--station";
    }

    LinkChoice link = MakeLink(options, stationGiven, programDir);
    if (!link.channel) {
        std::cerr << "zelctl: no channel"
                  << (link.error.empty() ? std::string() : ": " + link.error) << "\n";
        return kExitNoLink;
    }
    if (options.trace) {
        link.channel->SetTrace(MakeTrace(start));
    }

    switch (options.command) {
        case Command::Read: {
            // Measure names come from the language's string table beside the program.
            const bool tableOpen = LoadLanguageTable({}, StringTable(), programDir);
            return RunRead(*link.channel, link.station, options.json, tableOpen, link.description);
        }
        case Command::WriteRs485:
            return RunWriteRs485(*link.channel, link.station, options.newStation, options.newConfig,
                                 link.description);
        case Command::WriteElectrical:
            return RunWriteElectrical(*link.channel, link.station, options.changes,
                                      link.description);
    }
    return kExitUsage;
}
