#include "comm/scripted_links.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "comm/connection_gtcp.h"
#include "comm/connection_gudp.h"
#include "comm/connection_rs.h"

namespace {

int BoundLoopback(int type, int& port) {
    int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot bind a loopback socket");
    }
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

bool WaitIn(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}

class PtyLink : public ScriptedLink {
public:
    PtyLink() : channel(pty.slavePath, 19200, 2, 8, 0) { channel.Open(); }
    XCConnection& Channel() override { return channel; }
    Bytes Receive(std::size_t count, int timeoutMs) override {
        return ReadFor(pty.master, count, timeoutMs);
    }
    void Send(const Bytes& bytes) override { WriteAll(pty.master, bytes); }

private:
    PtyPair pty;
    XCConnectionRS channel;
};

class TcpLink : public ScriptedLink {
public:
    TcpLink() : channel("127.0.0.1", peer.Port()) { channel.Open(); }
    XCConnection& Channel() override { return channel; }
    Bytes Receive(std::size_t count, int timeoutMs) override {
        return peer.Receive(count, timeoutMs);
    }
    void Send(const Bytes& bytes) override { peer.Send(bytes); }

private:
    TcpPeer peer;
    XCConnectionGTCP channel;
};

class UdpLink : public ScriptedLink {
public:
    UdpLink() : channel("127.0.0.1", peer.Port()) { channel.Open(); }
    XCConnection& Channel() override { return channel; }
    Bytes Receive(std::size_t, int timeoutMs) override { return peer.Receive(timeoutMs); }
    void Send(const Bytes& bytes) override { peer.Send(bytes); }

private:
    UdpPeer peer;
    XCConnectionGUDP channel;
};

}  // namespace

std::unique_ptr<ScriptedLink> MakeLink(const std::string& kind) {
    if (kind == "serial") {
        return std::make_unique<PtyLink>();
    }
    if (kind == "tcp") {
        return std::make_unique<TcpLink>();
    }
    return std::make_unique<UdpLink>();
}

Bytes ReadFor(int fd, std::size_t count, int timeoutMs) {
    Bytes bytes;
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (bytes.size() < count) {
        int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (left < 0 || !WaitIn(fd, left)) {
            break;
        }
        std::uint8_t piece[512];
        ssize_t n = read(fd, piece, std::min(sizeof piece, count - bytes.size()));
        if (n <= 0) {
            break;
        }
        bytes.insert(bytes.end(), piece, piece + n);
    }
    return bytes;
}

void WriteAll(int fd, const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

PtyPair::PtyPair() {
    char name[128] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    slavePath = name;
}

PtyPair::~PtyPair() {
    close(master);
    close(slave);
}

TcpPeer::TcpPeer() {
    listener = BoundLoopback(SOCK_STREAM, port);
    listen(listener, 4);
}

TcpPeer::~TcpPeer() {
    if (connection >= 0) {
        close(connection);
    }
    close(listener);
}

void TcpPeer::AcceptWaiting() {
    while (WaitIn(listener, 0)) {
        int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (connection >= 0) {
            close(connection);
        }
        connection = fd;
        ++accepted;
    }
}

Bytes TcpPeer::Receive(std::size_t count, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes bytes;
    while (bytes.size() < count) {
        AcceptWaiting();
        int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (left < 0) {
            break;
        }
        pollfd entries[2] = {{listener, POLLIN, 0}, {connection, POLLIN, 0}};
        if (poll(entries, 2, left) <= 0) {
            break;
        }
        if ((entries[1].revents & (POLLIN | POLLHUP)) != 0) {
            std::uint8_t piece[512];
            ssize_t n = recv(connection, piece, std::min(sizeof piece, count - bytes.size()), 0);
            if (n <= 0) {
                close(connection);
                connection = -1;
                continue;
            }
            bytes.insert(bytes.end(), piece, piece + n);
        }
    }
    return bytes;
}

void TcpPeer::Send(const Bytes& bytes) {
    AcceptWaiting();
    if (connection >= 0) {
        send(connection, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
}

void TcpPeer::Drop() {
    AcceptWaiting();
    if (connection >= 0) {
        close(connection);
        connection = -1;
    }
}

UdpPeer::UdpPeer() {
    fd = BoundLoopback(SOCK_DGRAM, port);
}

UdpPeer::~UdpPeer() {
    close(fd);
}

Bytes UdpPeer::Receive(int timeoutMs) {
    if (!WaitIn(fd, timeoutMs)) {
        return {};
    }
    std::uint8_t datagram[2048];
    sockaddr_in from{};
    socklen_t size = sizeof from;
    ssize_t n =
        recvfrom(fd, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (n < 0) {
        return {};
    }
    std::memcpy(senderAddress, &from, sizeof from);
    haveSender = true;
    return Bytes(datagram, datagram + n);
}

void UdpPeer::Send(const Bytes& bytes) {
    if (haveSender) {
        sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(senderAddress),
               sizeof(sockaddr_in));
    }
}

void UdpPeer::SendFromElsewhere(const Bytes& bytes) {
    int otherPort = 0;
    int other = BoundLoopback(SOCK_DGRAM, otherPort);
    if (haveSender) {
        sendto(other, bytes.data(), bytes.size(), 0,
               reinterpret_cast<const sockaddr*>(senderAddress), sizeof(sockaddr_in));
    }
    close(other);
}
