// The simulated analyser's faults on each link it serves: the identification read ends in the
// state the fault calls for, within its time limit, and a whole ReadDevice reports it with its
// result code.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "comm/connection_gmbtcp.h"
#include "comm/connection_gtcp.h"
#include "comm/connection_gudp.h"
#include "comm/connection_rs.h"
#include "config/temp_folder.h"
#include "protocol/device_operations.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using State = TransactionState;

enum class SimLink { Pty, Tcp, Udp, ModbusTcp };

// zel-sim on every link, its announcements ("tcp 127.0.0.1:40123", "pty LINK DEVICE") read
// from its stdout. Stopped by its pid.
class Simulator {
public:
    Simulator(const std::string& fault, const std::string& ptyLink) {
        const char* folder = std::getenv("ZEL_PROGRAM_DIR");
        std::string program = std::string(folder != nullptr ? folder : ".") + "/zel-sim";
        std::vector<std::string> args{program, "--model", "three", "--modbus-tcp", "0",    "--tcp",
                                      "0",     "--udp",   "0",     "--pty",        ptyLink};
        if (!fault.empty()) {
            args.push_back("--fault");
            args.push_back(fault);
        }
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        ReadAnnouncements(out[0]);
        close(out[0]);
    }
    ~Simulator() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    // "127.0.0.1:40123" for a socket link, the link path for the pty; empty when missing.
    std::string Where(const std::string& kind) const {
        auto found = links_.find(kind);
        return found == links_.end() ? std::string() : found->second;
    }

private:
    void ReadAnnouncements(int fd) {
        std::string text;
        auto end = Clock::now() + std::chrono::seconds(10);
        while (links_.size() < 4 && Clock::now() < end) {
            pollfd ready{fd, POLLIN, 0};
            if (poll(&ready, 1, 200) <= 0) {
                continue;
            }
            char buffer[256];
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(n));
            links_.clear();
            std::istringstream lines(text);
            std::string kind, where;
            while (lines >> kind >> where) {
                links_[kind] = where;
                if (kind == "pty") {
                    lines >> where;  // the device path behind the link
                }
            }
        }
    }
    pid_t pid_ = -1;
    std::map<std::string, std::string> links_;
};

std::unique_ptr<XCConnection> MakeChannel(SimLink link, const Simulator& sim) {
    auto hostPort = [&](const char* kind, std::string& host, int& port) {
        std::string where = sim.Where(kind);
        std::size_t colon = where.rfind(':');
        host = where.substr(0, colon);
        port = colon == std::string::npos ? 0 : std::atoi(where.c_str() + colon + 1);
    };
    std::string host;
    int port = 0;
    switch (link) {
        case SimLink::Pty:
            // The simulator's port configuration 0: 9600 bit/s, even parity, one stop bit.
            return std::make_unique<XCConnectionRS>(sim.Where("pty"), 9600, 2, 8, 0);
        case SimLink::Tcp:
            hostPort("tcp", host, port);
            return std::make_unique<XCConnectionGTCP>(host, port);
        case SimLink::Udp:
            hostPort("udp", host, port);
            return std::make_unique<XCConnectionGUDP>(host, port);
        case SimLink::ModbusTcp:
            hostPort("modbus-tcp", host, port);
            return std::make_unique<XCConnectionGMBTCP>(host, port);
    }
    return nullptr;
}

const char* LinkName(SimLink link) {
    switch (link) {
        case SimLink::Pty:
            return "Pty";
        case SimLink::Tcp:
            return "RtuInTcp";
        case SimLink::Udp:
            return "RtuInUdp";
        case SimLink::ModbusTcp:
            return "ModbusTcp";
    }
    return "?";
}

struct SimCase {
    const char* name;
    const char* fault;
    SimLink link;
    State state;  // of the identification read
    int exceptionCode;
    int waitMs;            // how long that read waits before it gives up (0: it does not)
    int readDeviceResult;  // of a whole ReadDevice; -1 where it would only time out again
};

void PrintTo(const SimCase& c, std::ostream* os) {
    *os << LinkName(c.link) << "_" << c.name;
}

class SimFaults : public testing::TestWithParam<SimCase> {};

// RTU links wait 750 ms after 40 ms of silence; Modbus TCP gets extraTimeout -29000, a 1000 ms
// wait on the same road as the full 30 s one.
constexpr int kModbusTcpExtra = -29000;
constexpr int kMarginMs = 600;

TEST_P(SimFaults, IdentificationReadEndsAsTheFaultCallsFor) {
    const SimCase& c = GetParam();
    TempFolder folder;
    Simulator sim(c.fault, folder / "ttyZEL");
    ASSERT_FALSE(sim.Where(c.link == SimLink::Pty   ? "pty"
                           : c.link == SimLink::Tcp ? "tcp"
                           : c.link == SimLink::Udp ? "udp"
                                                    : "modbus-tcp")
                     .empty())
        << "zel-sim did not announce the link";
    std::unique_ptr<XCConnection> channel = MakeChannel(c.link, sim);
    channel->extraTimeout = c.link == SimLink::ModbusTcp ? kModbusTcpExtra : 0;
    ASSERT_TRUE(channel->Open()) << channel->LastError();

    XCModBusTransaction read;
    read.BuildReadRequest(1, 0, 12, 3);
    auto start = Clock::now();
    channel->Transact(read, true);
    double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    channel->Close();
    EXPECT_EQ(static_cast<int>(read.GetState()), static_cast<int>(c.state));
    if (c.state == State::Exception) {
        EXPECT_EQ(read.GetExceptionCode(), c.exceptionCode);
    }
    if (c.state == State::Done) {
        EXPECT_EQ(read.GetRegisterValue(0), 1) << "station number register";
    }
    const int delay = c.link == SimLink::ModbusTcp ? 0 : 40;
    EXPECT_GE(elapsed, delay + c.waitMs - 5);
    EXPECT_LE(elapsed, delay + c.waitMs + kMarginMs);

    if (c.readDeviceResult >= 0) {
        DeviceInfo info;
        EXPECT_EQ(ReadDevice(info, 1, channel.get()), c.readDeviceResult);
        EXPECT_FALSE(channel->IsOpen());
        if (c.readDeviceResult == kDeviceOk) {
            EXPECT_EQ(info.stationNumber, 1);
            EXPECT_EQ(info.ratio[2], 100);
            EXPECT_EQ(info.threshold[0], 2305);
        }
    }
}

std::vector<SimCase> Cases() {
    std::vector<SimCase> cases;
    const SimLink rtu[] = {SimLink::Pty, SimLink::Tcp, SimLink::Udp};
    for (SimLink link : rtu) {
        cases.push_back({"Healthy", "", link, State::Done, 0, 0, kDeviceOk});
        cases.push_back({"Silent", "silent", link, State::TimedOut, 0, 750, -1});
        cases.push_back(
            {"Exception2", "exception:2", link, State::Exception, 2, 0, kDeviceRequestFailed});
        cases.push_back(
            {"Exception11", "exception:11", link, State::Exception, 11, 0, kDeviceRequestFailed});
        cases.push_back({"ExceptionUnknown200", "exception:200", link, State::Exception, 200, 0,
                         kDeviceRequestFailed});
        cases.push_back({"BadCrc", "bad-crc", link, State::CrcError, 0, 0, kDeviceRequestFailed});
        cases.push_back(
            {"WrongStation", "wrong-station", link, State::Failed, 0, 0, kDeviceRequestFailed});
        cases.push_back({"Split", "split", link, State::Done, 0, 0, kDeviceOk});
        // The identification read is answered; the rest of ReadDevice meets silence.
        cases.push_back(
            {"SilentAfterOne", "silent-after:1", link, State::Done, 0, 0, kDeviceRequestFailed});
    }
    const SimLink m = SimLink::ModbusTcp;
    cases.push_back({"Healthy", "", m, State::Done, 0, 0, kDeviceOk});
    cases.push_back({"Silent", "silent", m, State::TimedOut, 0, 1000, -1});
    cases.push_back({"Exception2", "exception:2", m, State::Exception, 2, 0, kDeviceRequestFailed});
    cases.push_back({"ExceptionUnknown200", "exception:200", m, State::Exception, 200, 0,
                     kDeviceRequestFailed});
    // ACKNOWLEDGE without the answer that should follow, and a device busy for ever: the
    // channel waits (and resends every 100 ms) until its time is up.
    cases.push_back({"Acknowledge", "exception:5", m, State::TimedOut, 0, 1000, -1});
    cases.push_back({"BusyForever", "exception:6", m, State::TimedOut, 0, 1000, -1});
    cases.push_back({"BusyOnce", "busy-once", m, State::Done, 0, 100, kDeviceOk});
    cases.push_back({"WrongUnit", "wrong-station", m, State::Failed, 0, 0, kDeviceRequestFailed});
    cases.push_back({"Split", "split", m, State::Done, 0, 0, kDeviceOk});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Simulator, SimFaults, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<SimCase>& row) {
                             return std::string(LinkName(row.param.link)) + "_" + row.param.name;
                         });

}  // namespace
