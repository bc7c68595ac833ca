#include "ui/logic/main_window_channel.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include "comm/connection_gmbtcp.h"
#include "comm/connection_gtcp.h"
#include "comm/connection_gudp.h"
#include "comm/connection_rs.h"
#include "comm/port_config.h"
#include "config/utf.h"
#include "config/wide_integer.h"
#include "platform/com_port.h"

namespace {

// The window's fields are read with room for this many characters.
constexpr std::size_t kFieldReadLength = 127;

std::u16string Ascii(const std::string& text) {
    std::u16string wide;
    for (char c : text) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

}  // namespace

std::u16string ComPortName(int number) {
    return u"COM" + Ascii(std::to_string(number));
}

ComPortDevice DescribeComPort(int number) {
    const std::string path = platform::ComPortDevicePath(number);
    ComPortDevice device;
    struct stat status {};
    device.present = !path.empty() && stat(path.c_str(), &status) == 0;
    // An alias in the ports folder says more by its target (/dev/ttyUSB0) than by its own name.
    char resolved[PATH_MAX];
    const bool resolvable = device.present && realpath(path.c_str(), resolved) != nullptr;
    device.path = Utf8ToWide(resolvable ? resolved : path.c_str());
    return device;
}

std::unique_ptr<XCConnection> CreateSerialChannel(int port, int portConfig) {
    const std::optional<PortConfig> line = FindPortConfig(portConfig);
    if (!line) {
        return nullptr;
    }
    return std::make_unique<XCConnectionRS>(port, line->baudRate, line->parity, line->byteSize,
                                            line->stopBits);
}

std::unique_ptr<XCConnection> CreateNetworkChannel(int type, const std::u16string& address,
                                                   const std::u16string& socket) {
    const std::string host = WideToUtf8(address.substr(0, kFieldReadLength));
    const int portNumber = ParseWideInteger(socket.substr(0, kFieldReadLength));
    switch (static_cast<ConnectionType>(type)) {
        case ConnectionType::Udp:
            return std::make_unique<XCConnectionGUDP>(host, portNumber);
        case ConnectionType::Tcp:
            return std::make_unique<XCConnectionGTCP>(host, portNumber);
        case ConnectionType::ModbusTcp:
            return std::make_unique<XCConnectionGMBTCP>(host, portNumber);
        default:
            return nullptr;
    }
}
