#include "comm/tcp_link.h"

#include "platform/socket.h"

namespace {

constexpr int kCloseLingerMs = 5;

}  // namespace

bool ConnectTcp(int& socket, const std::string& address, int port, std::string* reason) {
    socket = platform::kInvalidSocket;
    std::string where = address + ":" + std::to_string(port);
    auto fail = [&](const std::string& why) {
        if (reason != nullptr) {
            *reason = why;
        }
        return false;
    };
    if (port < 1 || port > 65535) {
        return fail(where + ": no such port (1 to 65535)");
    }
    platform::Ipv4Endpoint peer;
    peer.port = static_cast<std::uint16_t>(port);
    platform::SysError error = platform::ResolveIpv4(address, peer.address);
    if (error != platform::SysError::None) {
        return fail(address.empty() ? std::string("no address given")
                                    : address + ": host not found");
    }
    error = platform::ConnectStream(peer, socket);
    if (error != platform::SysError::None) {
        return fail(where + ": " + platform::SysErrorText(error));
    }
    if (reason != nullptr) {
        reason->clear();
    }
    return true;
}

void CloseTcp(int& socket) {
    platform::ShutdownAndClose(socket, kCloseLingerMs);
}

bool ReadyToSend(int& socket, const std::function<bool()>& reconnect) {
    if (!platform::HasPeer(socket) && !reconnect()) {
        return false;
    }
    if (platform::DiscardWaiting(socket) != platform::DrainResult::Empty) {
        return reconnect() && platform::DiscardWaiting(socket) == platform::DrainResult::Empty;
    }
    return true;
}
