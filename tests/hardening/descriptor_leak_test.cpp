// Opening and closing a channel a thousand times, successfully or not, leaves the process with
// no more descriptors than it had.
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "comm/connection_gmbtcp.h"
#include "comm/connection_gtcp.h"
#include "comm/connection_gudp.h"
#include "comm/connection_rs.h"

namespace {

constexpr int kRounds = 1000;

int OpenDescriptors() {
    int count = 0;
    DIR* folder = opendir("/proc/self/fd");
    while (dirent* entry = readdir(folder)) {
        count += entry->d_name[0] != '.';
    }
    closedir(folder);
    return count - 1;  // the folder's own descriptor
}

int LoopbackPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

// A TCP listener that takes every connection and closes it at once.
class ClosingListener {
public:
    ClosingListener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 64);
        port_ = LoopbackPort(fd_);
        thread_ = std::thread([this] {
            while (!stop_) {
                pollfd ready{fd_, POLLIN, 0};
                if (poll(&ready, 1, 20) > 0) {
                    close(accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
                }
            }
        });
    }
    ~ClosingListener() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A port on 127.0.0.1 that nobody listens on: bound, then released.
int ClosedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int port = LoopbackPort(fd);
    close(fd);
    return port;
}

struct Environment {
    ClosingListener listener;
    int closedPort = ClosedPort();
    int ptyMaster = -1, ptySlave = -1;
    std::string ptyPath;
    Environment() {
        char name[128];
        openpty(&ptyMaster, &ptySlave, name, nullptr, nullptr);
        ptyPath = name;
    }
    ~Environment() {
        close(ptyMaster);
        close(ptySlave);
    }
};

struct LeakCase {
    const char* name;
    std::function<std::unique_ptr<XCConnection>(const Environment&)> make;
    bool opens;
};

void PrintTo(const LeakCase& c, std::ostream* os) {
    *os << c.name;
}

class DescriptorLeak : public testing::TestWithParam<LeakCase> {};

TEST_P(DescriptorLeak, ThousandOpensAndClosesLeaveNoDescriptor) {
    const LeakCase& c = GetParam();
    Environment environment;
    std::unique_ptr<XCConnection> channel = c.make(environment);
    const int before = OpenDescriptors();
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_EQ(channel->Open(), c.opens) << "round " << round << ": " << channel->LastError();
        ASSERT_EQ(channel->IsOpen(), c.opens);
        channel->Close();
        ASSERT_FALSE(channel->IsOpen());
    }
    // Also when the channel is destroyed while open.
    for (int round = 0; round < kRounds / 10; ++round) {
        std::unique_ptr<XCConnection> other = c.make(environment);
        other->Open();
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

const LeakCase kCases[] = {
    {"SerialPty",
     [](const Environment& e) {
         return std::make_unique<XCConnectionRS>(e.ptyPath, 9600, 0, 8, 0);
     },
     true},
    {"SerialMissingPort",
     [](const Environment&) {
         return std::make_unique<XCConnectionRS>("/nonexistent/ttyZEL", 9600, 0, 8, 0);
     },
     false},
    {"SerialNotATerminal",
     [](const Environment&) {
         return std::make_unique<XCConnectionRS>("/dev/null", 9600, 0, 8, 0);
     },
     false},
    {"RtuInTcp",
     [](const Environment& e) {
         return std::make_unique<XCConnectionGTCP>("127.0.0.1", e.listener.Port());
     },
     true},
    {"RtuInTcpRefused",
     [](const Environment& e) {
         return std::make_unique<XCConnectionGTCP>("127.0.0.1", e.closedPort);
     },
     false},
    {"ModbusTcp",
     [](const Environment& e) {
         return std::make_unique<XCConnectionGMBTCP>("127.0.0.1", e.listener.Port());
     },
     true},
    {"ModbusTcpRefused",
     [](const Environment& e) {
         return std::make_unique<XCConnectionGMBTCP>("127.0.0.1", e.closedPort);
     },
     false},
    {"Udp",
     [](const Environment& e) {
         return std::make_unique<XCConnectionGUDP>("127.0.0.1", e.closedPort);
     },
     true},
    {"UdpNotAnAddress",
     [](const Environment&) { return std::make_unique<XCConnectionGUDP>("localhost", 502); },
     false},
    {"UdpBroadcast",
     [](const Environment&) { return std::make_unique<XCConnectionGUDP>("255.255.255.255", 502); },
     false},
};

INSTANTIATE_TEST_SUITE_P(Channels, DescriptorLeak, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LeakCase>& row) {
                             return std::string(row.param.name);
                         });

}  // namespace
