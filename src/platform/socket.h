// IPv4 sockets as the channels use them: blocking connect, sends that never raise SIGPIPE,
// receives that wait in poll() for at most the time that remains.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sys_error.h"

namespace platform {

inline constexpr int kInvalidSocket = -1;

// An IPv4 address and port, both in host byte order.
struct Ipv4Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

// Parses a dotted IPv4 address ("192.168.1.20"); nothing else is accepted. False on other text.
bool ParseDottedIpv4(const std::string& text, std::uint32_t& address);

// The first IPv4 address of `host`, a dotted address or a host name. Returns None, or
// HostNotFound when the name does not resolve; `address` is untouched on failure.
SysError ResolveIpv4(const std::string& host, std::uint32_t& address);

// A new stream socket connected to `peer` (blocking, with the system's connection time-out).
// Returns None and sets `fd`, or the reason (Refused, Unreachable, TimedOut, ...) with `fd` left
// kInvalidSocket.
SysError ConnectStream(const Ipv4Endpoint& peer, int& fd);

// A new datagram socket bound to any local address and a port the system picks, with address
// reuse allowed. Returns None and sets `fd`, or the reason with `fd` left kInvalidSocket.
SysError OpenDatagram(int& fd);

// True while `fd` is a connected stream socket (its peer address can be had).
bool HasPeer(int fd);

// Ends a stream connection politely: shuts down sending, gives the peer up to `lingerMs` to
// answer (nothing is read), and closes. `fd` becomes kInvalidSocket. Invalid sockets are left
// alone.
void ShutdownAndClose(int& fd, int lingerMs);

// Closes `fd` and makes it kInvalidSocket; invalid sockets are left alone.
void CloseSocket(int& fd);

enum class DrainResult {
    Empty,       // nothing (more) waiting
    PeerClosed,  // the stream's peer has closed its side
    Failed,      // the socket reported an error
};

// Reads and throws away whatever is waiting, without blocking.
DrainResult DiscardWaiting(int fd);

// Sends `length` bytes in one call (one datagram to `peer` with SendTo). Returns the number of
// bytes sent, or -1 on failure with `error` set.
int Send(int fd, const std::uint8_t* data, int length, SysError& error);
int SendTo(int fd, const Ipv4Endpoint& peer, const std::uint8_t* data, int length, SysError& error);

enum class ReceiveStatus {
    Data,      // `count` bytes (on a datagram socket, one datagram; it may be empty)
    TimedOut,  // nothing arrived in time
    Closed,    // the stream's peer closed the connection
    Failed,    // the socket reported an error
};

struct ReceiveResult {
    ReceiveStatus status;
    int count;
};

// Waits at most `timeoutMs` for input, then receives up to `capacity` bytes from any sender.
ReceiveResult Receive(int fd, std::uint8_t* data, int capacity, int timeoutMs);

}  // namespace platform
