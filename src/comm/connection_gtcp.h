// Modbus RTU frames, CRC included, carried unchanged in a TCP stream.
#pragma once

#include <cstdint>
#include <string>

#include "comm/connection.h"

class XCConnectionGTCP : public XCConnection {
public:
    // A channel that is not connected, with its own copy of `address` (a dotted IPv4 address or
    // a host name).
    XCConnectionGTCP(std::string address, int port);
    ~XCConnectionGTCP() override;  // closes the connection

    bool IsOpen() const override;
    // One RTU exchange. A connection found dead before sending is made again first; one that
    // dies while waiting is made again too, but the request is not repeated. Failed when no
    // connection can be had or the send fails; TimedOut when no complete reply came within the
    // transaction's time-out plus extraTimeout.
    void Transact(XCDeviceTransaction& transaction, bool waitResponse) override;
    // Sends the request's bytes and stores what comes back, up to receiveCapacity; the reply is
    // over once nothing more arrives for 5 ms after a piece.
    void RawExchange(XCRawRequest& request) override;
    // Connects (a live connection is kept). On failure LastError() says why.
    bool Open() override;
    void Close() override;
    ConnectionType GetType() const override { return ConnectionType::Tcp; }

    const std::string& GetAddress() const { return address; }
    int GetPort() const { return port; }

private:
    // Close, then Open: a dead connection is replaced. True when connected afterwards.
    bool Reconnect();
    // Connected, with nothing stale waiting; reconnects when the connection proves dead.
    bool PrepareToSend();
    // Sends `bytes` and traces what went out; true when all of it did. A send error reconnects,
    // so the next request finds a fresh connection.
    bool SendRequest(const std::uint8_t* bytes, int length);

    std::string address;
    int port;
    int socket;
};
