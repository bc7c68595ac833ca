// zelctl against zel-sim over every link: reads, writes, faults and the exit statuses.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "sim_fixture.h"

namespace {

using Json = nlohmann::json;

// A device that stays silent costs 40 ms of send delay plus 750 + 1000 ms of waiting.
constexpr double kSilentRequestSeconds = 1.79;
constexpr double kSlackSeconds = 1.5;

std::string Name(const std::string& text) {
    std::string name;
    for (char c : text) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

class ReadOverLink : public ::testing::TestWithParam<const char*> {};

TEST_P(ReadOverLink, ReadsTheWholeThreeLineDevice) {
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("three"));
    const ProgramResult read = sim.Zelctl("read", GetParam(), {"--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const Json json = Json::parse(read.out);
    EXPECT_EQ(json["model"], 67368);
    EXPECT_EQ(json["modelName"], "ZEL Three");
    EXPECT_EQ(json["hwVersion"], "1.2");
    EXPECT_EQ(json["swVersion"], "10.5");
    EXPECT_EQ(json["stationNumber"], 1);
    EXPECT_EQ(json["portConfig"], 0);
    EXPECT_EQ(json["portConfigText"], "9600, 8, E, 1");
    EXPECT_EQ(json["workingModeText"], "L1, L2, L3");
    EXPECT_EQ(json["ratio"], Json::parse("[100, 100, 100]"));
    EXPECT_EQ(json["measure"], Json::parse("[1, 2, 3, 1]"));
    EXPECT_EQ(json["threshold"], Json::parse("[2305, 50, 400, 15]"));
    EXPECT_EQ(json["delay"], Json::parse("[10, 10, 10, 30]"));
    EXPECT_EQ(json["measureText"].size(), 4u);
    EXPECT_EQ(sim.Stop(), 0);
}

INSTANTIATE_TEST_SUITE_P(Links, ReadOverLink,
                         ::testing::Values("modbus-tcp", "tcp", "udp", "serial", "com"),
                         [](const auto& row) { return Name(row.param); });

struct FaultCase {
    const char* name;
    const char* fault;
    const char* link;
    int exitCode;
    int silentRequests;  // requests left unanswered before zelctl gives up
};

class Fault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(Fault, EndsWithItsExitStatusInTime) {
    const FaultCase& row = GetParam();
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("three", {"--fault", row.fault}));
    const ProgramResult read = sim.Zelctl("read", row.link, {"--json"});
    EXPECT_EQ(read.exitCode, row.exitCode) << read.err;
    if (row.exitCode == 0) {
        EXPECT_EQ(Json::parse(read.out)["delay"], Json::parse("[10, 10, 10, 30]"));
    } else {
        EXPECT_TRUE(read.out.empty()) << read.out;
        EXPECT_NE(read.err.find("station 1"), std::string::npos) << read.err;
    }
    EXPECT_GE(read.seconds, row.silentRequests * kSilentRequestSeconds);
    EXPECT_LE(read.seconds, row.silentRequests * kSilentRequestSeconds + kSlackSeconds);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Fault,
    ::testing::Values(FaultCase{"SilentOverTcp", "silent", "tcp", 2, 1},
                      FaultCase{"SilentOverSerial", "silent", "serial", 2, 1},
                      FaultCase{"ExceptionOverModbusTcp", "exception:2", "modbus-tcp", 2, 0},
                      FaultCase{"ExceptionOverUdp", "exception:4", "udp", 2, 0},
                      FaultCase{"BadCrcOverTcp", "bad-crc", "tcp", 2, 0},
                      FaultCase{"WrongStationOverSerial", "wrong-station", "serial", 2, 0},
                      FaultCase{"WrongStationOverModbusTcp", "wrong-station", "modbus-tcp", 2, 0},
                      FaultCase{"SplitOverTcp", "split", "tcp", 0, 0},
                      FaultCase{"SplitOverUdp", "split", "udp", 0, 0},
                      FaultCase{"SplitOverModbusTcp", "split", "modbus-tcp", 0, 0},
                      FaultCase{"SplitOverSerial", "split", "serial", 0, 0},
                      FaultCase{"SilentAfterFourOverUdp", "silent-after:4", "udp", 2, 1}),
    [](const auto& row) { return std::string(row.param.name); });

// Disabled while the Modbus TCP channel resends the busy reply's bytes in place of the request
// after exception 6; enable once it keeps the request for the resend.
TEST(BusyDevice, OverModbusTcpIsAnsweredAfterTheResend) {
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("three", {"--fault", "busy-once"}));
    const ProgramResult read = sim.Zelctl("read", "modbus-tcp", {"--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(Json::parse(read.out)["delay"], Json::parse("[10, 10, 10, 30]"));
}

// A TCP listener nobody serves: a usage error must leave it without a connection.
class Witness {
public:
    Witness() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 4);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Witness() { close(fd_); }
    std::string Endpoint() const { return "127.0.0.1:" + std::to_string(port_); }
    bool Contacted() const {
        pollfd fd = {fd_, POLLIN, 0};
        return poll(&fd, 1, 0) > 0;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

struct UsageCase {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the witness's HOST:PORT
    const char* named;              // what the message must name
};

class UsageError : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageError, ExitsWith64NamingTheArgumentAndSendsNothing) {
    Witness witness;
    TemporaryFolder folder;
    std::vector<std::string> argv = {ProgramPath("zelctl")};
    for (const auto& arg : GetParam().args) {
        argv.push_back(arg == "@" ? witness.Endpoint() : arg);
    }
    const ProgramResult run = RunProgram(argv, {"XDG_CONFIG_HOME=" + folder.Path()});
    EXPECT_EQ(run.exitCode, 64);
    const std::string first = run.err.substr(0, run.err.find('\n'));
    EXPECT_NE(first.find(GetParam().named), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_FALSE(witness.Contacted());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageError,
    ::testing::Values(
        UsageCase{"NoPort", {"read", "--tcp", "127.0.0.1"}, "--tcp"},
        UsageCase{"PortZero", {"read", "--modbus-tcp", "127.0.0.1:0"}, "--modbus-tcp"},
        UsageCase{"PortAbove65535", {"read", "--udp", "127.0.0.1:65536"}, "--udp"},
        UsageCase{"NoHost", {"read", "--tcp", ":502"}, "--tcp"},
        UsageCase{"StationZero", {"read", "--tcp", "@", "--station", "0"}, "--station"},
        UsageCase{"Station256", {"read", "--tcp", "@", "--station", "256"}, "--station"},
        UsageCase{"StationNotANumber", {"read", "--tcp", "@", "--station", "7a"}, "--station"},
        UsageCase{"StationMissingValue", {"read", "--tcp", "@", "--station"}, "--station"},
        UsageCase{"ConfigSix", {"read", "--serial", "COM1", "--config", "6"}, "--config"},
        UsageCase{"ComPortZero", {"read", "--serial", "COM0"}, "--serial"},
        UsageCase{"TwoLinks", {"read", "--tcp", "@", "--udp", "127.0.0.1:9"}, "--udp"},
        UsageCase{"UnknownFlag", {"read", "--tcp", "@", "--verbose"}, "--verbose"},
        UsageCase{"UnknownCommand", {"reboot", "--tcp", "@"}, "reboot"},
        UsageCase{"NewStationMissing",
                  {"write-rs485", "--tcp", "@", "--new-config", "1"},
                  "--new-station"},
        UsageCase{"NewConfigSix",
                  {"write-rs485", "--tcp", "@", "--new-station", "2", "--new-config", "6"},
                  "--new-config"},
        UsageCase{"TwoRatios", {"write-electrical", "--tcp", "@", "--ratios", "1,2"}, "--ratios"},
        UsageCase{"ThresholdAbove32Bits",
                  {"write-electrical", "--tcp", "@", "--thresholds", "1,2,3,4294967296"},
                  "--thresholds"},
        UsageCase{"DelayAbove16Bits",
                  {"write-electrical", "--tcp", "@", "--delays", "1,2,3,65536"},
                  "--delays"},
        UsageCase{"MissingJsonFile",
                  {"write-electrical", "--tcp", "@", "--from-json", "/nonexistent.json"},
                  "--from-json"},
        UsageCase{"NothingToWrite", {"write-electrical", "--tcp", "@"}, "write-electrical"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(LinkFailure, ClosedPortAndMissingDeviceExitWith1) {
    TemporaryFolder folder;
    int closedPort = 0;
    {
        Witness gone;  // a port that was free a moment ago and is closed again
        closedPort = std::stoi(gone.Endpoint().substr(10));
    }
    const std::vector<std::vector<std::string>> links = {
        {"--tcp", "127.0.0.1:" + std::to_string(closedPort)},
        {"--modbus-tcp", "127.0.0.1:" + std::to_string(closedPort)},
        {"--serial", folder.Path() + "/no-such-port"},
    };
    for (const auto& link : links) {
        std::vector<std::string> argv = {ProgramPath("zelctl"), "read"};
        argv.insert(argv.end(), link.begin(), link.end());
        const ProgramResult run = RunProgram(argv, {"XDG_CONFIG_HOME=" + folder.Path()});
        EXPECT_EQ(run.exitCode, 1) << link[0] << ": " << run.err;
        EXPECT_NE(run.err.find("cannot open"), std::string::npos) << run.err;
    }
}

TEST(Rs485Write, NewStationAndLineSettingsHoldAcrossARestart) {
    TemporaryFolder state;
    const std::string stateFile = state.Path() + "/device.state";
    {
        SimulatedDevice sim;
        ASSERT_TRUE(sim.Start("three", {"--state", stateFile}));
        const ProgramResult write =
            sim.Zelctl("write-rs485", "tcp", {"--new-station", "12", "--new-config", "3"});
        ASSERT_EQ(write.exitCode, 0) << write.err;
        const ProgramResult read = sim.Zelctl("read", "modbus-tcp", {"--station", "12", "--json"});
        ASSERT_EQ(read.exitCode, 0) << read.err;
        EXPECT_EQ(Json::parse(read.out)["stationNumber"], 12);
        EXPECT_EQ(Json::parse(read.out)["portConfig"], 3);
        EXPECT_EQ(sim.Stop(), 0);
    }
    SimulatedDevice restarted;
    ASSERT_TRUE(restarted.Start("three", {"--state", stateFile}));
    // 19200 bit/s with two stop bits now: the old line settings reach nobody.
    EXPECT_EQ(restarted.Zelctl("read", "serial", {"--station", "12"}).exitCode, 2);
    const ProgramResult read =
        restarted.Zelctl("read", "serial", {"--station", "12", "--config", "3", "--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(Json::parse(read.out)["stationNumber"], 12);
}

TEST(ElectricalWrite, ChangesRoundTripThroughTheJsonOfRead) {
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("three"));
    const ProgramResult original = sim.Zelctl("read", "udp", {"--json"});
    ASSERT_EQ(original.exitCode, 0) << original.err;
    const std::string saved = sim.Folder() + "/saved.json";
    std::ofstream(saved) << original.out;

    const ProgramResult same = sim.Zelctl("write-electrical", "udp", {"--from-json", saved});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_NE(same.out.find("nothing to write"), std::string::npos) << same.out;

    const ProgramResult change =
        sim.Zelctl("write-electrical", "tcp",
                   {"--mode", "2", "--ratios", "5,6,7", "--measures", "4,5,6,13", "--thresholds",
                    "70000,1,2,4294967295", "--delays", "639,739,839,939"});
    ASSERT_EQ(change.exitCode, 0) << change.err;
    const Json changed = Json::parse(sim.Zelctl("read", "modbus-tcp", {"--json"}).out);
    EXPECT_EQ(changed["workingMode"], 2);
    EXPECT_EQ(changed["ratio"], Json::parse("[5, 6, 7]"));
    EXPECT_EQ(changed["measure"], Json::parse("[4, 5, 6, 13]"));
    EXPECT_EQ(changed["threshold"], Json::parse("[70000, 1, 2, 4294967295]"));
    EXPECT_EQ(changed["delay"], Json::parse("[639, 739, 839, 939]"));

    const ProgramResult restore = sim.Zelctl("write-electrical", "serial", {"--from-json", saved});
    ASSERT_EQ(restore.exitCode, 0) << restore.err;
    EXPECT_EQ(sim.Zelctl("read", "udp", {"--json"}).out, original.out);
}

TEST(ElectricalWrite, DeviceRefusingAValueFailsWith2) {
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("three"));
    // Measure code 18 is not in the line list: the device answers with an exception.
    const ProgramResult run = sim.Zelctl("write-electrical", "tcp", {"--measures", "18,1,1,1"});
    EXPECT_EQ(run.exitCode, 2) << run.err;
}

TEST(OneLineModel, ReadsTheL1RatioAloneAndWritesOnlyIt) {
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("one", {"--station", "9"}));
    const ProgramResult read = sim.Zelctl("read", "tcp", {"--station", "9", "--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const Json json = Json::parse(read.out);
    EXPECT_EQ(json["modelName"], "ZEL One");
    EXPECT_EQ(json["model"], 67367);
    EXPECT_EQ(json["ratio"], Json::parse("[100]"));
    EXPECT_FALSE(json.contains("workingMode"));
    EXPECT_FALSE(json.contains("delay"));

    EXPECT_EQ(sim.Zelctl("write-electrical", "udp", {"--station", "9", "--ratios", "250"}).exitCode,
              0);
    EXPECT_EQ(Json::parse(sim.Zelctl("read", "serial", {"--station", "9", "--json"}).out)["ratio"],
              Json::parse("[250]"));
    EXPECT_EQ(sim.Zelctl("write-electrical", "udp", {"--station", "9", "--mode", "1"}).exitCode,
              64);
}

TEST(Trace, ShowsEveryFrameWithTimeAndDirection) {
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("three"));
    const ProgramResult read = sim.Zelctl("read", "tcp", {"--trace"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    // The first request is the identification read; its bytes are fixed.
    EXPECT_NE(read.err.find("send 01 03 00 00 00 0C 45 CF\n"), std::string::npos) << read.err;
    size_t sends = 0;
    size_t receives = 0;
    for (size_t at = 0; (at = read.err.find(" ms send ", at)) != std::string::npos; ++at) {
        ++sends;
    }
    for (size_t at = 0; (at = read.err.find(" ms recv ", at)) != std::string::npos; ++at) {
        ++receives;
    }
    EXPECT_EQ(sends, 9u);
    EXPECT_GE(receives, 9u);
}

}  // namespace

namespace {

// Without a LINK, zelctl takes the connection saved in default.xcfg beside itself.
TEST(SavedConnection, NoLinkUsesTheSettingsFileBesideTheProgram) {
    SimulatedDevice sim;
    ASSERT_TRUE(sim.Start("three", {"--station", "4"}));
    const std::string endpoint = sim.Link("modbus-tcp")[1];
    const std::string copy = sim.Folder() + "/zelctl";
    std::filesystem::copy_file(ProgramPath("zelctl"), copy);
    const std::string settings = sim.Folder() + "/default.xcfg";

    ProgramResult none = RunProgram({copy, "read"}, {"XDG_CONFIG_HOME=" + sim.Folder()});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("default.xcfg"), std::string::npos) << none.err;

    std::ofstream(settings) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><config>"
                               "<comType>3</comType><stNum>4</stNum><ipAddress>127.0.0.1"
                               "</ipAddress><ipSocket>"
                            << endpoint.substr(endpoint.find(':') + 1) << "</ipSocket></config>";
    const ProgramResult read =
        RunProgram({copy, "read", "--json"}, {"XDG_CONFIG_HOME=" + sim.Folder()});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(Json::parse(read.out)["stationNumber"], 4);
}

}  // namespace
