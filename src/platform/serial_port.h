// A serial port set up for Modbus RTU: exclusive, raw 8-bit, no flow control.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sys_error.h"

namespace platform {

// Line settings in the codes the channel keeps: parity 0 none, 1 odd, 2 even, 3 mark, 4 space;
// stop bits 0 one, 1 one and a half, 2 two.
struct SerialLineSettings {
    int baudRate = 9600;
    int parity = 0;
    int byteSize = 8;
    int stopBits = 0;
};

enum class ReadStatus {
    Data,      // `count` bytes were read
    TimedOut,  // nothing arrived in time
    Closed,    // the device hung up or went away
    Failed,    // the port is not open or the read failed
};

struct ReadResult {
    ReadStatus status;
    int count;
};

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();  // closes the port
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens the terminal device `path` for this process alone (no controlling terminal, no
    // second opener), applies `settings` raw (no echo, no translation, no flow control) as far
    // as the device takes them (a pty has no parity), turns RTS on and DTR off where the device
    // has modem lines, and discards both queues.
    // Returns None when the port is open afterwards. On failure the port is closed and the
    // reason returned: NoDevice, Busy, PermissionDenied, NotSerialPort, Unsupported (settings
    // the system has no code for) or Other. An open port is closed first.
    SysError Open(const std::string& path, const SerialLineSettings& settings);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Throws away every byte received and not yet read.
    void DiscardInput();

    // Writes `length` bytes. Returns how many went out: fewer than `length` when the port
    // failed or took nothing for two seconds.
    int Write(const std::uint8_t* data, int length);

    // Waits at most `timeoutMs` for input, then reads up to `capacity` bytes of what has arrived
    // (never waits for more to come once something is there).
    ReadResult Read(std::uint8_t* data, int capacity, int timeoutMs);

private:
    int fd_ = -1;
};

}  // namespace platform
