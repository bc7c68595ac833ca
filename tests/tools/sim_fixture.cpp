#include "sim_fixture.h"

#include <filesystem>

bool SimulatedDevice::Start(const std::string& model, const std::vector<std::string>& extra) {
    const std::string ports = folder_.Path() + "/Tarvolin/ZEL/ports";
    std::filesystem::create_directories(ports);
    std::vector<std::string> argv = {ProgramPath("zel-sim"),
                                     "--model",
                                     model,
                                     "--modbus-tcp",
                                     "0",
                                     "--tcp",
                                     "0",
                                     "--udp",
                                     "0",
                                     "--pty",
                                     ports + "/COM7"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    if (!sim_.Start(argv)) {
        return false;
    }
    // One line per link: "modbus-tcp 127.0.0.1:40123", ..., "pty LINK-PATH /dev/pts/N".
    for (const std::string& line : sim_.ReadLines(4)) {
        const size_t space = line.find(' ');
        const std::string kind = line.substr(0, space);
        const std::string rest = line.substr(space + 1);
        address_[kind] = kind == "pty" ? rest.substr(0, rest.find(' ')) : rest;
    }
    return address_.size() == 4;
}

std::vector<std::string> SimulatedDevice::Link(const std::string& link) const {
    if (link == "serial") {
        return {"--serial", address_.at("pty")};
    }
    if (link == "com") {
        return {"--serial", "COM7"};
    }
    return {"--" + link, address_.at(link)};
}

ProgramResult SimulatedDevice::Zelctl(std::vector<std::string> args, int limitMs) const {
    args.insert(args.begin(), ProgramPath("zelctl"));
    return RunProgram(args, {"XDG_CONFIG_HOME=" + folder_.Path()}, limitMs);
}

ProgramResult SimulatedDevice::Zelctl(const std::string& command, const std::string& link,
                                      const std::vector<std::string>& rest) const {
    std::vector<std::string> args = {command};
    const auto linkArgs = Link(link);
    args.insert(args.end(), linkArgs.begin(), linkArgs.end());
    args.insert(args.end(), rest.begin(), rest.end());
    return Zelctl(args);
}
