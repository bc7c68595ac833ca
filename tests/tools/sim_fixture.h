// A zel-sim on every link in a private folder, for tests that drive zelctl against it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "child_process.h"

// The links a test can name: modbus-tcp, tcp, udp, serial (the pty's path) and com (COM7, a
// name resolved through the ports folder of the private XDG_CONFIG_HOME).
class SimulatedDevice {
public:
    // Starts zel-sim with all four links plus `extra` arguments; false when it does not come
    // up within 5 s.
    bool Start(const std::string& model, const std::vector<std::string>& extra = {});
    int Stop() { return sim_.Stop(); }

    // zelctl's LINK arguments for `link`.
    std::vector<std::string> Link(const std::string& link) const;
    // Runs zelctl with `args`, in the private configuration folder.
    ProgramResult Zelctl(std::vector<std::string> args, int limitMs = 60000) const;
    // Runs `zelctl COMMAND LINK rest...`.
    ProgramResult Zelctl(const std::string& command, const std::string& link,
                         const std::vector<std::string>& rest = {}) const;
    const std::string& Folder() const { return folder_.Path(); }

private:
    TemporaryFolder folder_;
    BackgroundProgram sim_;
    std::map<std::string, std::string> address_;
};
