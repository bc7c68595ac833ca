// zel-sim: a ZEL One or ZEL Three analyser on every link the configuration tool speaks, for
// tests, demonstrations and training.
#include <cstdio>
#include <iostream>

#include "sim_options.h"
#include "sim_server.h"
#include "sim_state_file.h"

namespace {

constexpr int kExitUsage = 64;
constexpr int kExitSetup = 1;

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    if (const std::string error = ParseSimOptions(argc - 1, argv + 1, options); !error.empty()) {
        std::cerr << "zel-sim: " << error << "\n" << kSimUsage;
        return kExitUsage;
    }
    SimDeviceState state = SimDeviceState::ForModel(options.oneLine);
    if (options.station) {
        state.station = *options.station;
    }
    if (!options.stateFile.empty()) {
        // The file holds what earlier runs were told to change; it wins over the defaults.
        std::string error;
        if (LoadStateFile(options.stateFile, state, error) == StateFileResult::Malformed) {
            std::cerr << "zel-sim: " << error << "\n";
            return kExitSetup;
        }
    }

    SimDevice device(state);
    SimResponder responder(device, options.fault);
    SimServer server(device, responder, [&] {
        if (!options.stateFile.empty() && !SaveStateFile(options.stateFile, device.State())) {
            std::cerr << "zel-sim: cannot write " << options.stateFile << "\n";
        }
    });

    std::string announcement;
    std::string error;
    const std::string& address = options.bindAddress;
    const bool ready =
        (!options.modbusTcpPort ||
         server.ListenModbusTcp(address, *options.modbusTcpPort, announcement, error)) &&
        (!options.tcpPort || server.ListenRtuTcp(address, *options.tcpPort, announcement, error)) &&
        (!options.udpPort || server.ListenRtuUdp(address, *options.udpPort, announcement, error)) &&
        (options.ptyLink.empty() || server.OpenPty(options.ptyLink, announcement, error));
    if (!ready) {
        std::cerr << "zel-sim: " << error << "\n";
        return kExitSetup;
    }
    std::fputs(announcement.c_str(), stdout);
    std::fflush(stdout);
    return server.Run();
}
