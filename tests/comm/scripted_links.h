// The device's side of each channel, scripted by a test: read what the channel sent, answer in
// pieces, stay silent, hang up. Serial links run on a pty pair, socket links on 127.0.0.1 with a
// port the system picks.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "comm/connection.h"
#include "protocol/hex_bytes.h"

class ScriptedLink {
public:
    virtual ~ScriptedLink() = default;
    virtual XCConnection& Channel() = 0;
    // Reads what the channel sent: up to `count` bytes (one whole datagram on UDP), waiting at
    // most `timeoutMs` for them. Returns what arrived.
    virtual Bytes Receive(std::size_t count, int timeoutMs) = 0;
    // Sends one piece of reply (one datagram on UDP) to the channel.
    virtual void Send(const Bytes& bytes) = 0;
};

// Makes a link with its channel already open. `kind` is "serial", "tcp" or "udp".
std::unique_ptr<ScriptedLink> MakeLink(const std::string& kind);

// A pty pair: the master is the device's end, the slave is the port the channel opens.
struct PtyPair {
    PtyPair();
    ~PtyPair();
    int master = -1;
    int slave = -1;  // kept open so the pty survives the channel closing and reopening
    std::string slavePath;
};

// A listening TCP socket on 127.0.0.1 that takes the channel's connections as they come; the
// newest connection is the one the device talks on.
class TcpPeer {
public:
    TcpPeer();
    ~TcpPeer();
    int Port() const { return port; }
    // As ScriptedLink::Receive; accepts a new connection first when one is waiting.
    Bytes Receive(std::size_t count, int timeoutMs);
    void Send(const Bytes& bytes);
    // Closes the current connection, as a gateway that drops idle clients does.
    void Drop();
    int Accepted() const { return accepted; }

private:
    void AcceptWaiting();
    int listener = -1;
    int connection = -1;
    int port = 0;
    int accepted = 0;
};

// A UDP socket on 127.0.0.1 answering whoever last wrote to it.
class UdpPeer {
public:
    UdpPeer();
    ~UdpPeer();
    int Port() const { return port; }
    Bytes Receive(int timeoutMs);
    void Send(const Bytes& bytes);
    // Sends from a different socket, so the reply comes from another address.
    void SendFromElsewhere(const Bytes& bytes);

private:
    int fd = -1;
    int port = 0;
    std::uint8_t senderAddress[16] = {};  // sockaddr_in of the last sender
    bool haveSender = false;
};

// Reads up to `count` bytes from `fd`, waiting at most `timeoutMs` in all.
Bytes ReadFor(int fd, std::size_t count, int timeoutMs);
void WriteAll(int fd, const Bytes& bytes);

using Clock = std::chrono::steady_clock;
inline double MsSince(Clock::time_point start, Clock::time_point end = Clock::now()) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}
