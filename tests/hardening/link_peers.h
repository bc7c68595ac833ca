// The device's end of each link, driven step by step by a fault script: read the request,
// answer in pieces, stay silent, hang up, reset the connection, refuse it. Serial links run on a
// pty pair reached through a symbolic link (so a hung-up pty can be replaced under the same
// name), socket links on 127.0.0.1 with a port the system picks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "comm/connection.h"

using Bytes = std::vector<std::uint8_t>;

enum class Link { Serial, Tcp, Udp, ModbusTcp };

class LinkPeer {
public:
    virtual ~LinkPeer() = default;
    // A new closed channel of the link's kind aimed at this peer.
    virtual std::unique_ptr<XCConnection> MakeChannel() = 0;
    // Reads one request: `length` bytes (one whole datagram on UDP), waiting at most
    // `timeoutMs`. Returns what arrived.
    virtual Bytes ReadRequest(std::size_t length, int timeoutMs) = 0;
    // Sends one piece (one datagram on UDP).
    virtual void Send(const Bytes& bytes) = 0;
    // Serial: the other end of the pty hangs up. TCP: closes the connection politely.
    virtual void HangUp() = 0;
    // TCP: closes the connection with a reset. Elsewhere as HangUp.
    virtual void Reset() { HangUp(); }
    // Makes the next Open fail: TCP stops listening, serial removes the port. Nothing on UDP.
    virtual void Refuse() {}
    // Undoes HangUp, Reset and Refuse, so the same channel can open and work again.
    virtual void Restore() {}
};

std::unique_ptr<LinkPeer> MakePeer(Link link);
const char* LinkName(Link link);

// Reads up to `count` bytes from `fd`, waiting at most `timeoutMs` in all.
Bytes ReadFor(int fd, std::size_t count, int timeoutMs);
void WriteAll(int fd, const Bytes& bytes);

// "01 03 00 00" -> bytes, and back.
Bytes HexBytes(const std::string& text);
std::string ToHex(const Bytes& bytes);
