// zelctl with one malformed argument at a time: exit 64, a message that names what is wrong,
// and not a byte or a connection towards the device.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/temp_folder.h"

extern char** environ;

namespace {

// A device on 127.0.0.1 that only notes whether anyone reached it: a TCP listener and a UDP
// socket on the same port number where the system allows, else on two ports.
class RecordingPeer {
public:
    RecordingPeer() {
        tcp_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(tcp_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(tcp_, 4);
        socklen_t size = sizeof address;
        getsockname(tcp_, reinterpret_cast<sockaddr*>(&address), &size);
        tcpPort_ = ntohs(address.sin_port);
        udp_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        address.sin_port = 0;
        bind(udp_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        size = sizeof address;
        getsockname(udp_, reinterpret_cast<sockaddr*>(&address), &size);
        udpPort_ = ntohs(address.sin_port);
    }
    ~RecordingPeer() {
        close(tcp_);
        close(udp_);
    }
    std::string Tcp() const { return "127.0.0.1:" + std::to_string(tcpPort_); }
    std::string Udp() const { return "127.0.0.1:" + std::to_string(udpPort_); }
    // True when a connection or a datagram is waiting.
    bool Reached() const {
        pollfd fds[2] = {{tcp_, POLLIN, 0}, {udp_, POLLIN, 0}};
        return poll(fds, 2, 0) > 0;
    }

private:
    int tcp_ = -1, udp_ = -1;
    int tcpPort_ = 0, udpPort_ = 0;
};

struct ZelctlRun {
    int exitCode = -1;
    std::string errors;
};

// Runs zelctl with `args`, stopping it by its pid if it has not ended within 10 s.
ZelctlRun RunZelctl(const std::vector<std::string>& args) {
    const char* folder = std::getenv("ZEL_PROGRAM_DIR");
    std::string program = std::string(folder != nullptr ? folder : ".") + "/zelctl";
    std::vector<char*> argv{program.data()};
    std::vector<std::string> copies(args);
    for (auto& arg : copies) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int errors[2];
    if (pipe2(errors, O_CLOEXEC) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(errors[1]);
    ZelctlRun run;
    if (spawned != 0) {
        close(errors[0]);
        return run;
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    char buffer[512];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        pollfd ready{errors[0], POLLIN, 0};
        if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        ssize_t n = read(errors[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        run.errors.append(buffer, static_cast<std::size_t>(n));
    }
    close(errors[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct BadArgument {
    const char* name;
    // The command line; "TCP" and "UDP" stand for the recording peer's addresses, "JSON" for a
    // file holding `json`.
    std::vector<std::string> args;
    const char* mentions;  // the message names this
    const char* json = "";
};

void PrintTo(const BadArgument& c, std::ostream* os) {
    *os << c.name;
}

class ZelctlBadInput : public testing::TestWithParam<BadArgument> {};

TEST_P(ZelctlBadInput, ExitsWith64NamesTheProblemAndSendsNothing) {
    const BadArgument& c = GetParam();
    RecordingPeer peer;
    TempFolder folder;
    const std::string jsonFile = folder / "values.json";
    WriteFile(jsonFile, c.json);
    std::vector<std::string> args;
    for (const std::string& arg : c.args) {
        args.push_back(arg == "TCP"    ? peer.Tcp()
                       : arg == "UDP"  ? peer.Udp()
                       : arg == "JSON" ? jsonFile
                                       : arg);
    }
    ZelctlRun run = RunZelctl(args);
    EXPECT_EQ(run.exitCode, 64) << run.errors;
    EXPECT_EQ(run.errors.rfind("zelctl", 0), 0u) << run.errors;
    EXPECT_NE(run.errors.find(c.mentions), std::string::npos) << run.errors;
    EXPECT_FALSE(peer.Reached()) << "zelctl reached the device";
}

using S = std::vector<std::string>;

const BadArgument kCases[] = {
    {"NoCommand", S{}, "missing command"},
    {"UnknownCommand", S{"reed", "--modbus-tcp", "TCP"}, "reed"},
    {"UnknownFlag", S{"read", "--modbus-tcp", "TCP", "--frobnicate"}, "--frobnicate"},
    {"FlagOfAnotherCommand", S{"read", "--modbus-tcp", "TCP", "--new-station", "2"},
     "--new-station"},
    {"MissingValue", S{"read", "--modbus-tcp", "TCP", "--station"}, "--station"},
    {"StationZero", S{"read", "--modbus-tcp", "TCP", "--station", "0"}, "--station"},
    {"Station256", S{"read", "--modbus-tcp", "TCP", "--station", "256"}, "--station"},
    {"StationNegative", S{"read", "--modbus-tcp", "TCP", "--station", "-1"}, "--station"},
    {"StationLetters", S{"read", "--modbus-tcp", "TCP", "--station", "one"}, "--station"},
    {"StationEmpty", S{"read", "--modbus-tcp", "TCP", "--station", ""}, "--station"},
    {"StationWithSpace", S{"read", "--modbus-tcp", "TCP", "--station", " 1"}, "--station"},
    {"StationWithNewline", S{"read", "--modbus-tcp", "TCP", "--station", "1\n"}, "--station"},
    {"StationHuge", S{"read", "--modbus-tcp", "TCP", "--station", "99999999999999999999"},
     "--station"},
    {"HostWithoutPort", S{"read", "--modbus-tcp", "127.0.0.1"}, "--modbus-tcp"},
    {"PortZero", S{"read", "--tcp", "127.0.0.1:0"}, "--tcp"},
    {"Port65536", S{"read", "--udp", "127.0.0.1:65536"}, "--udp"},
    {"PortLetters", S{"read", "--tcp", "127.0.0.1:http"}, "--tcp"},
    {"EmptyHost", S{"read", "--tcp", ":502"}, "--tcp"},
    {"TwoLinks", S{"read", "--tcp", "TCP", "--udp", "UDP"}, "only one link"},
    {"ComZero", S{"read", "--serial", "COM0"}, "--serial"},
    {"Com257", S{"read", "--serial", "COM257"}, "--serial"},
    {"SerialEmpty", S{"read", "--serial", ""}, "--serial"},
    {"ConfigWithoutSerial", S{"read", "--modbus-tcp", "TCP", "--config", "1"}, "--config"},
    {"ConfigSix", S{"read", "--serial", "COM1", "--config", "6"}, "--config"},
    {"NewStationMissing", S{"write-rs485", "--modbus-tcp", "TCP", "--new-config", "1"},
     "--new-station"},
    {"NewStationZero",
     S{"write-rs485", "--modbus-tcp", "TCP", "--new-station", "0", "--new-config", "1"},
     "--new-station"},
    {"NewConfigSix",
     S{"write-rs485", "--modbus-tcp", "TCP", "--new-station", "2", "--new-config", "6"},
     "--new-config"},
    {"JsonFlagOnWrite",
     S{"write-rs485", "--udp", "UDP", "--new-station", "2", "--new-config", "1", "--json"},
     "--json"},
    {"NothingToWrite", S{"write-electrical", "--modbus-tcp", "TCP"}, "nothing to write"},
    {"ModeFour", S{"write-electrical", "--modbus-tcp", "TCP", "--mode", "4"}, "--mode"},
    {"TwoRatios", S{"write-electrical", "--modbus-tcp", "TCP", "--ratios", "1,2"}, "--ratios"},
    {"RatioAbove16Bits", S{"write-electrical", "--modbus-tcp", "TCP", "--ratios", "65536"},
     "--ratios"},
    {"RatioTrailingComma", S{"write-electrical", "--modbus-tcp", "TCP", "--ratios", "1,2,"},
     "--ratios"},
    {"ThreeMeasures", S{"write-electrical", "--modbus-tcp", "TCP", "--measures", "1,2,3"},
     "--measures"},
    {"ThresholdAbove32Bits",
     S{"write-electrical", "--modbus-tcp", "TCP", "--thresholds", "0,0,0,4294967296"},
     "--thresholds"},
    {"DelayLetters", S{"write-electrical", "--modbus-tcp", "TCP", "--delays", "a,b,c,d"},
     "--delays"},
    {"DelaySpaces", S{"write-electrical", "--modbus-tcp", "TCP", "--delays", "1, 2, 3, 4"},
     "--delays"},
    {"JsonFileMissing",
     S{"write-electrical", "--modbus-tcp", "TCP", "--from-json", "/nonexistent/values.json"},
     "--from-json"},
    {"JsonMalformed", S{"write-electrical", "--modbus-tcp", "TCP", "--from-json", "JSON"},
     "--from-json", "{\"workingMode\": "},
    {"JsonValueOutOfRange", S{"write-electrical", "--modbus-tcp", "TCP", "--from-json", "JSON"},
     "--from-json", "{\"workingMode\": 99}"},
    {"JsonWrongType", S{"write-electrical", "--modbus-tcp", "TCP", "--from-json", "JSON"},
     "--from-json", "{\"ratio\": \"ten\"}"},
    {"JsonAndValues",
     S{"write-electrical", "--modbus-tcp", "TCP", "--from-json", "JSON", "--mode", "1"},
     "--from-json", "{\"workingMode\": 1}"},
    {"ConfigUnknownAction", S{"config", "frobnicate"}, "frobnicate"},
    {"ConfigSetMissingValue", S{"config", "set", "stNum"}, "set"},
    {"ConfigSetNameWithPath", S{"config", "set", "a/b", "1"}, "a/b"},
};

INSTANTIATE_TEST_SUITE_P(Arguments, ZelctlBadInput, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<BadArgument>& row) {
                             return std::string(row.param.name);
                         });

}  // namespace
