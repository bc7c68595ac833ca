// zelctl against a register map served by libmodbus: Modbus TCP, and RTU across a pty pair.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "child_process.h"

namespace {

using Json = nlohmann::json;

// What modbus_peer_server serves, as zelctl must print it.
void ExpectPeerValues(const std::string& out) {
    const Json json = Json::parse(out);
    EXPECT_EQ(json["model"], 123456);
    EXPECT_EQ(json["modelName"], "ZEL Three");
    EXPECT_EQ(json["hwVersion"], "3.1");
    EXPECT_EQ(json["swVersion"], "20.7");
    EXPECT_EQ(json["stationNumber"], 1);
    EXPECT_EQ(json["portConfig"], 4);
    EXPECT_EQ(json["workingMode"], 3);
    EXPECT_EQ(json["ratio"], Json::parse("[150, 250, 350]"));
    EXPECT_EQ(json["measure"], Json::parse("[2, 3, 4, 5]"));
    EXPECT_EQ(json["threshold"], Json::parse("[1000, 66537, 132074, 197611]"));
    EXPECT_EQ(json["delay"], Json::parse("[60, 61, 62, 63]"));
}

std::vector<std::string> Zelctl(std::vector<std::string> args) {
    args.insert(args.begin(), ProgramPath("zelctl"));
    return args;
}

class LibmodbusPeer : public ::testing::Test {
protected:
    ProgramResult Run(const std::vector<std::string>& args) {
        return RunProgram(Zelctl(args), {"XDG_CONFIG_HOME=" + folder.Path()});
    }
    // Starts the peer on Modbus TCP and returns its HOST:PORT, empty on failure.
    std::string StartTcpPeer(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> argv = {std::string(ZEL_PEER_SERVER), "tcp"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        if (!peer.Start(argv)) {
            return {};
        }
        const auto lines = peer.ReadLines(1);
        return lines.empty() ? std::string() : lines[0].substr(lines[0].find(' ') + 1);
    }

    TemporaryFolder folder;
    BackgroundProgram peer;
};

TEST_F(LibmodbusPeer, ReadsOverModbusTcp) {
    const std::string endpoint = StartTcpPeer();
    ASSERT_FALSE(endpoint.empty());
    const ProgramResult read = Run({"read", "--modbus-tcp", endpoint, "--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    ExpectPeerValues(read.out);
    peer.Stop();
}

TEST_F(LibmodbusPeer, StationRegisterOutOfRangeExitsWith3AfterOneRequest) {
    const std::string endpoint = StartTcpPeer({"--station-register", "0"});
    ASSERT_FALSE(endpoint.empty());
    const ProgramResult read = Run({"read", "--modbus-tcp", endpoint, "--trace"});
    EXPECT_EQ(read.exitCode, 3) << read.err;
    EXPECT_NE(read.err.find("station number 0"), std::string::npos) << read.err;
    EXPECT_EQ(read.err.find(" ms send ", read.err.find(" ms send ") + 1), std::string::npos)
        << "more than one request: " << read.err;
}

TEST_F(LibmodbusPeer, ReadsRtuAcrossAPtyPair) {
    const std::string ours = folder.Path() + "/ours";
    const std::string theirs = folder.Path() + "/theirs";
    BackgroundProgram socat;
    ASSERT_TRUE(socat.Start({"/usr/bin/socat", "-d", "-d", "pty,raw,echo=0,link=" + ours,
                             "pty,raw,echo=0,link=" + theirs},
                            {}, true));
    bool bridged = false;
    for (const auto& line : socat.ReadLines(3)) {
        bridged = bridged || line.find("starting data transfer loop") != std::string::npos;
    }
    ASSERT_TRUE(bridged);
    // Held open so that zelctl closing its end between operations never looks like a hang-up
    // to socat.
    const int holder = open(ours.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);

    ASSERT_TRUE(peer.Start({std::string(ZEL_PEER_SERVER), "rtu", theirs}));
    ASSERT_EQ(peer.ReadLines(1).size(), 1u);
    const ProgramResult read = Run({"read", "--serial", ours, "--config", "4", "--json"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    if (read.exitCode == 0) {
        ExpectPeerValues(read.out);
    }
    close(holder);
    peer.Stop();
    socat.Stop();
}

}  // namespace
