// The channels the main window builds from its connection controls, and what its COM port list
// tells about each port.
#pragma once

#include <memory>
#include <string>

#include "comm/connection.h"

// "COM" followed by the number in decimal.
std::u16string ComPortName(int number);

// What the COM port list shows about one port: the device file it resolves to, and whether
// that device exists right now.
struct ComPortDevice {
    std::u16string path;
    bool present = false;
};
ComPortDevice DescribeComPort(int number);

// A closed serial channel on COM port `port` with the line settings of `portConfig`, or
// nullptr when `portConfig` is not one of the six codes.
std::unique_ptr<XCConnection> CreateSerialChannel(int port, int portConfig);

// A closed channel of ConnectionType `type` (UDP, TCP or Modbus TCP) to `address` and the
// port number in `socket` (each field's first 127 characters; a socket that is not a number
// gives 0), or nullptr for any other type.
std::unique_ptr<XCConnection> CreateNetworkChannel(int type, const std::u16string& address,
                                                   const std::u16string& socket);
