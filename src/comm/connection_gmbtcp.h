// Modbus TCP: each request behind the MBAP header, the reply judged without a CRC.
#pragma once

#include <cstdint>
#include <string>

#include "comm/connection.h"
#include "protocol/modbus_tcp_frame.h"

class XCConnectionGMBTCP : public XCConnection {
public:
    // A channel that is not connected, with its own copy of `address` (a dotted IPv4 address or
    // a host name).
    XCConnectionGMBTCP(std::string address, int port);
    ~XCConnectionGMBTCP() override;  // closes the connection

    bool IsOpen() const override;
    // One Modbus TCP exchange under the next transaction identifier, waiting up to
    // extraTimeout + 30000 ms (the transaction's own time-out and send delay do not apply).
    // ACKNOWLEDGE keeps the wait going; SERVER DEVICE BUSY sends the request again 100 ms later
    // under a new identifier. `status` is 2 while this runs and 5 afterwards.
    void Transact(XCDeviceTransaction& transaction, bool waitResponse) override;
    // Does nothing: Modbus TCP has no unframed exchange.
    void RawExchange(XCRawRequest& request) override;
    // Connects and restarts the identifiers, so the first request carries 1 (a live connection
    // is kept as it is). On failure LastError() says why.
    bool Open() override;
    void Close() override;
    ConnectionType GetType() const override { return ConnectionType::ModbusTcp; }

    const std::string& GetAddress() const { return address; }
    int GetPort() const { return port; }
    // The identifier of the last request sent; 0 before the first one after connecting.
    std::uint16_t GetTransactionId() const { return transactionId; }

private:
    bool Reconnect();
    bool PrepareToSend();
    // Frames the transaction's request and sends it under the next identifier; false
    // (transaction Failed) when it did not go out whole.
    bool SendRequest(XCDeviceTransaction& transaction);
    // Sends the request framed by SendRequest again under the next identifier. The transaction's
    // buffer cannot serve here: by now it holds the busy reply, not the request.
    bool ResendRequest(XCDeviceTransaction& transaction);
    bool SendFramed(XCDeviceTransaction& transaction);
    void ReceiveReply(XCDeviceTransaction& transaction);

    std::string address;
    int port;
    int socket;
    std::uint16_t transactionId = 0;
    std::uint8_t framed[kMaxModbusTcpRequestLength] = {};
    int framedLength = 0;
};
