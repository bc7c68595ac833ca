#include "hardening/link_peers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "comm/connection_gmbtcp.h"
#include "comm/connection_gtcp.h"
#include "comm/connection_gudp.h"
#include "comm/connection_rs.h"

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point end) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void Require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string(what) + ": " + std::to_string(errno));
    }
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

// A pty reached through a symbolic link in a scratch folder; HangUp closes the device's end.
class SerialPeer : public LinkPeer {
public:
    SerialPeer() {
        char pattern[] = "/tmp/zel-hardening-XXXXXX";
        Require(mkdtemp(pattern) != nullptr, "mkdtemp");
        folder_ = pattern;
        link_ = folder_ + "/port";
        OpenPty();
    }
    ~SerialPeer() override {
        ClosePty();
        unlink(link_.c_str());
        rmdir(folder_.c_str());
    }
    std::unique_ptr<XCConnection> MakeChannel() override {
        return std::make_unique<XCConnectionRS>(link_, 9600, 0, 8, 0);
    }
    Bytes ReadRequest(std::size_t length, int timeoutMs) override {
        return ReadFor(master_, length, timeoutMs);
    }
    void Send(const Bytes& bytes) override { WriteAll(master_, bytes); }
    void HangUp() override {
        close(master_);
        master_ = -1;
    }
    void Refuse() override {
        ClosePty();
        unlink(link_.c_str());
    }
    void Restore() override {
        if (master_ < 0) {
            ClosePty();
            OpenPty();
        }
    }

private:
    void OpenPty() {
        char name[128];
        Require(openpty(&master_, &slave_, name, nullptr, nullptr) == 0, "openpty");
        // Kept open so the pty outlives the channel's close and reopen.
        unlink(link_.c_str());
        Require(symlink(name, link_.c_str()) == 0, "symlink");
    }
    void ClosePty() {
        if (master_ >= 0) {
            close(master_);
        }
        if (slave_ >= 0) {
            close(slave_);
        }
        master_ = slave_ = -1;
    }
    std::string folder_, link_;
    int master_ = -1, slave_ = -1;
};

// A listener on 127.0.0.1; the newest connection is the one the device talks on.
class TcpPeer : public LinkPeer {
public:
    explicit TcpPeer(bool modbusTcp) : modbusTcp_(modbusTcp) { Listen(0); }
    ~TcpPeer() override {
        Drop(false);
        if (listener_ >= 0) {
            close(listener_);
        }
    }
    std::unique_ptr<XCConnection> MakeChannel() override {
        if (modbusTcp_) {
            return std::make_unique<XCConnectionGMBTCP>("127.0.0.1", port_);
        }
        return std::make_unique<XCConnectionGTCP>("127.0.0.1", port_);
    }
    Bytes ReadRequest(std::size_t length, int timeoutMs) override {
        Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        Bytes got;
        while (got.size() < length) {
            pollfd fds[2] = {{listener_, POLLIN, 0}, {connection_, POLLIN, 0}};
            if (poll(fds, 2, MsLeft(end)) <= 0) {
                break;
            }
            if (fds[0].revents & POLLIN) {
                Drop(false);
                connection_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                got.clear();
                continue;
            }
            if (fds[1].revents != 0) {
                Bytes piece = ReadFor(connection_, length - got.size(), MsLeft(end));
                if (piece.empty()) {
                    Drop(false);  // the channel closed this one
                }
                got.insert(got.end(), piece.begin(), piece.end());
            }
        }
        return got;
    }
    void Send(const Bytes& bytes) override { WriteAll(connection_, bytes); }
    void HangUp() override { Drop(false); }
    void Reset() override { Drop(true); }
    void Refuse() override {
        Drop(false);
        close(listener_);
        listener_ = -1;
    }
    void Restore() override {
        if (listener_ < 0) {
            Listen(port_);
        }
    }

private:
    void Listen(int port) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address = Loopback(port);
        Require(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0,
                "bind");
        Require(listen(listener_, 8) == 0, "listen");
        port_ = BoundPort(listener_);
    }
    void Drop(bool reset) {
        if (connection_ < 0) {
            return;
        }
        if (reset) {
            linger hard{1, 0};
            setsockopt(connection_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        close(connection_);
        connection_ = -1;
    }
    bool modbusTcp_;
    int listener_ = -1, connection_ = -1, port_ = 0;
};

// A datagram socket on 127.0.0.1 answering whoever last wrote to it.
class UdpPeer : public LinkPeer {
public:
    UdpPeer() {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = Loopback(0);
        Require(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0, "bind");
        port_ = BoundPort(fd_);
    }
    ~UdpPeer() override { close(fd_); }
    std::unique_ptr<XCConnection> MakeChannel() override {
        return std::make_unique<XCConnectionGUDP>("127.0.0.1", port_);
    }
    Bytes ReadRequest(std::size_t, int timeoutMs) override {
        pollfd fds{fd_, POLLIN, 0};
        if (poll(&fds, 1, timeoutMs) <= 0) {
            return {};
        }
        Bytes datagram(65536);
        socklen_t size = sizeof sender_;
        ssize_t n = recvfrom(fd_, datagram.data(), datagram.size(), 0,
                             reinterpret_cast<sockaddr*>(&sender_), &size);
        datagram.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return datagram;
    }
    void Send(const Bytes& bytes) override {
        sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&sender_),
               sizeof sender_);
    }
    void HangUp() override {}

private:
    int fd_ = -1, port_ = 0;
    sockaddr_in sender_{};
};

}  // namespace

std::unique_ptr<LinkPeer> MakePeer(Link link) {
    switch (link) {
        case Link::Serial:
            return std::make_unique<SerialPeer>();
        case Link::Tcp:
            return std::make_unique<TcpPeer>(false);
        case Link::Udp:
            return std::make_unique<UdpPeer>();
        case Link::ModbusTcp:
            return std::make_unique<TcpPeer>(true);
    }
    return nullptr;
}

const char* LinkName(Link link) {
    switch (link) {
        case Link::Serial:
            return "Serial";
        case Link::Tcp:
            return "RtuInTcp";
        case Link::Udp:
            return "RtuInUdp";
        case Link::ModbusTcp:
            return "ModbusTcp";
    }
    return "?";
}

Bytes ReadFor(int fd, std::size_t count, int timeoutMs) {
    Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes got;
    while (got.size() < count) {
        pollfd fds{fd, POLLIN, 0};
        if (poll(&fds, 1, MsLeft(end)) <= 0) {
            break;
        }
        std::uint8_t buffer[4096];
        std::size_t want = count - got.size() < sizeof buffer ? count - got.size() : sizeof buffer;
        ssize_t n = read(fd, buffer, want);
        if (n <= 0) {
            break;
        }
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

void WriteAll(int fd, const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) {
            n = write(fd, bytes.data() + done, bytes.size() - done);
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

Bytes HexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) {
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(pair.c_str(), nullptr, 16)));
    }
    return bytes;
}

std::string ToHex(const Bytes& bytes) {
    std::string text;
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += hex;
    }
    return text;
}
