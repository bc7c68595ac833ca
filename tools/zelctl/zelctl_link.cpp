#include "zelctl_link.h"

#include <unistd.h>

#include "comm/connection_gmbtcp.h"
#include "comm/connection_gtcp.h"
#include "comm/connection_gudp.h"
#include "comm/connection_rs.h"
#include "comm/port_config.h"
#include "config/settings.h"
#include "config/utf.h"

namespace {

std::unique_ptr<XCConnection> SerialChannel(const LinkOptions& link) {
    const std::optional<PortConfig> config = FindPortConfig(link.portConfig);
    if (!config) {
        return nullptr;
    }
    if (link.comPort > 0) {
        return std::make_unique<XCConnectionRS>(link.comPort, config->baudRate, config->parity,
                                                config->byteSize, config->stopBits);
    }
    return std::make_unique<XCConnectionRS>(link.devicePath, config->baudRate, config->parity,
                                            config->byteSize, config->stopBits);
}

LinkChoice FromLink(const LinkOptions& link) {
    LinkChoice choice;
    const std::string endpoint = link.host + ":" + std::to_string(link.port);
    switch (link.kind) {
        case LinkKind::Serial:
            choice.channel = SerialChannel(link);
            choice.description =
                (link.comPort > 0 ? "COM" + std::to_string(link.comPort) : link.devicePath) + " (" +
                kPortConfigs[link.portConfig].text + ")";
            break;
        case LinkKind::Udp:
            choice.channel = std::make_unique<XCConnectionGUDP>(link.host, link.port);
            choice.description = "RTU over UDP " + endpoint;
            break;
        case LinkKind::Tcp:
            choice.channel = std::make_unique<XCConnectionGTCP>(link.host, link.port);
            choice.description = "RTU over TCP " + endpoint;
            break;
        case LinkKind::ModbusTcp:
            choice.channel = std::make_unique<XCConnectionGMBTCP>(link.host, link.port);
            choice.description = "Modbus TCP " + endpoint;
            break;
        case LinkKind::None:
            break;
    }
    return choice;
}

}  // namespace

LinkChoice MakeLink(const ZelctlOptions& options, bool stationGiven,
                    const std::string& programDir) {
    if (options.link.kind != LinkKind::None) {
        LinkChoice choice = FromLink(options.link);
        choice.station = options.station;
        return choice;
    }
    LinkChoice choice;
    const std::string file = programDir + kDefaultXmlFileName;
    if (access(file.c_str(), F_OK) != 0) {
        choice.error = "no LINK given and no " + file;
        return choice;
    }
    XmlDocument document;
    const ConnectionSettings saved = LoadSettings(document, file).connection;
    LinkOptions link;
    link.host = WideToUtf8(saved.ipAddress);
    link.port = saved.ipSocket;
    link.comPort = saved.port;
    link.portConfig = saved.portConfig;
    switch (static_cast<ConnectionType>(saved.comType)) {
        case ConnectionType::Serial:
            link.kind = LinkKind::Serial;
            if (saved.port < 1 || !FindPortConfig(saved.portConfig)) {
                choice.error = file + ": no COM port or port configuration saved";
                return choice;
            }
            break;
        case ConnectionType::Udp:
            link.kind = LinkKind::Udp;
            break;
        case ConnectionType::Tcp:
            link.kind = LinkKind::Tcp;
            break;
        case ConnectionType::ModbusTcp:
            link.kind = LinkKind::ModbusTcp;
            break;
        default:
            choice.error = file + ": unknown connection type " + std::to_string(saved.comType);
            return choice;
    }
    choice = FromLink(link);
    choice.station = stationGiven ? options.station : saved.stNum;
    if (choice.station < 1 || choice.station > 255) {
        choice.channel.reset();
        choice.error = file + ": no station number saved (1 to 255); give --station";
    }
    return choice;
}
