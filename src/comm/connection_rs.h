// Modbus RTU over an RS-485 bus reached through a serial port.
#pragma once

#include <string>

#include "comm/connection.h"
#include "platform/serial_port.h"

struct Piece;

class XCConnectionRS : public XCConnection {
public:
    // A closed channel on COM`comPort` (see platform/com_port.h for where that leads). `parity`
    // and `stopBits` take the codes of the port configurations (parity 0 none, 2 even; stop bits
    // 0 one, 2 two).
    XCConnectionRS(int comPort, int baudRate, int parity, int byteSize, int stopBits);
    // A closed channel on the device `devicePath` itself (/dev/ttyUSB0), for callers that name
    // the device rather than a COM number.
    XCConnectionRS(std::string devicePath, int baudRate, int parity, int byteSize, int stopBits);
    ~XCConnectionRS() override;  // closes the port

    bool IsOpen() const override { return port.IsOpen(); }
    // Sends the request and collects the reply: whatever has arrived is handed to the
    // transaction at once, and the wait ends as soon as the transaction is no longer Pending.
    // Failed when the request cannot be written or the device hangs up; TimedOut when no
    // complete reply came within the transaction's time-out plus extraTimeout.
    void Transact(XCDeviceTransaction& transaction, bool waitResponse) override;
    // Sends the request's bytes and stores what comes back, up to receiveCapacity; the reply is
    // over once the line stays quiet for a few milliseconds after a byte.
    void RawExchange(XCRawRequest& request) override;
    // Opens and sets up the port; true if it is open afterwards (also when it already was).
    // On failure LastError() says why ("COM3 (/dev/ttyS2): permission denied - ...").
    bool Open() override;
    void Close() override;
    ConnectionType GetType() const override { return ConnectionType::Serial; }

    int GetComPort() const { return comPort; }  // 0 for a channel made from a device path
    const platform::SerialLineSettings& GetLineSettings() const { return line; }
    // The name shown to the user: "COM3 (/dev/ttyS2)" or the device path.
    std::string PortName() const;

private:
    std::string DevicePath() const;
    // Drops unread input, writes `bytes` and traces what went out; true when all of it did.
    bool SendRequest(const std::uint8_t* bytes, int length);
    // Reads at most `wanted` bytes within `waitMs`; a hang-up or read error is Lost.
    Piece ReadPiece(std::uint8_t* into, int wanted, int waitMs);

    int comPort = 0;
    std::string devicePath;
    platform::SerialLineSettings line;
    platform::SerialPort port;
};
