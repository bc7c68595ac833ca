// Modbus RTU frames, CRC included, carried in UDP datagrams.
#pragma once

#include <string>

#include "comm/connection.h"
#include "platform/socket.h"

class XCConnectionGUDP : public XCConnection {
public:
    // A closed channel with its own copy of `address`, which must be a dotted IPv4 address.
    XCConnectionGUDP(std::string address, int port);
    ~XCConnectionGUDP() override;  // closes the socket

    bool IsOpen() const override;
    // Sends the request as one datagram and hands every reply datagram, from any sender, to the
    // transaction until it is no longer Pending. Failed when the channel is closed or the send
    // fails; TimedOut when no complete reply came within the transaction's time-out plus
    // extraTimeout. There is no resend.
    void Transact(XCDeviceTransaction& transaction, bool waitResponse) override;
    // Sends the request's bytes as one datagram and stores what comes back, up to
    // receiveCapacity; the reply is over once nothing more arrives for 5 ms after a datagram.
    void RawExchange(XCRawRequest& request) override;
    // Creates a socket bound to any local address and port; true if open afterwards (also when
    // it already was). Host names and 255.255.255.255 are refused. On failure LastError() says
    // why.
    bool Open() override;
    void Close() override;
    ConnectionType GetType() const override { return ConnectionType::Udp; }

    const std::string& GetAddress() const { return address; }
    int GetPort() const { return port; }

private:
    // Drops late datagrams, sends `bytes` as one datagram and traces what went out; true when
    // all of it did.
    bool SendRequest(const std::uint8_t* bytes, int length);

    std::string address;
    int port;
    platform::Ipv4Endpoint remote;
    int socket;
};
