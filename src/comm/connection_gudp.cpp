#include "comm/connection_gudp.h"

#include <algorithm>
#include <utility>

#include "comm/channel_timing.h"
#include "comm/raw_reply.h"
#include "comm/reply_loop.h"
#include "platform/tick.h"

namespace {

constexpr std::uint32_t kBroadcastAddress = 0xFFFFFFFFu;

}  // namespace

XCConnectionGUDP::XCConnectionGUDP(std::string peerAddress, int peerPort)
    : address(std::move(peerAddress)), port(peerPort), socket(platform::kInvalidSocket) {}

XCConnectionGUDP::~XCConnectionGUDP() {
    Close();
}

bool XCConnectionGUDP::IsOpen() const {
    return socket != platform::kInvalidSocket;
}

bool XCConnectionGUDP::Open() {
    if (IsOpen()) {
        return true;
    }
    if (address.empty()) {
        lastError = "no address given";
        return false;
    }
    std::uint32_t parsed = 0;
    if (!platform::ParseDottedIpv4(address, parsed)) {
        lastError = address + ": not a dotted IPv4 address (host names are not looked up)";
        return false;
    }
    if (parsed == kBroadcastAddress) {
        lastError = address + ": the broadcast address cannot be used";
        return false;
    }
    if (port < 1 || port > 65535) {
        lastError = address + ":" + std::to_string(port) + ": no such port (1 to 65535)";
        return false;
    }
    remote.address = parsed;
    remote.port = static_cast<std::uint16_t>(port);
    platform::SysError error = platform::OpenDatagram(socket);
    if (error != platform::SysError::None) {
        lastError = std::string("cannot create a UDP socket: ") + platform::SysErrorText(error);
        return false;
    }
    lastError.clear();
    return true;
}

void XCConnectionGUDP::Close() {
    platform::CloseSocket(socket);
}

bool XCConnectionGUDP::SendRequest(const std::uint8_t* bytes, int length) {
    // Late answers to an earlier request must not pass for this one's.
    (void)platform::DiscardWaiting(socket);
    platform::SysError error{};
    int sent = platform::SendTo(socket, remote, bytes, length, error);
    Trace(TraceDirection::Sent, bytes, sent);
    return sent == length;
}

void XCConnectionGUDP::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    KeepSilent(transaction.GetSendDelay());
    if (!IsOpen() || !SendRequest(transaction.GetBuffer(), transaction.GetRequestLength())) {
        transaction.SetState(TransactionState::Failed);
        return;
    }
    if (!waitResponse) {
        return;
    }
    ReceiveFramedReply<kSocketScratchSize>(
        transaction, ResponseLimit(transaction.GetResponseTimeout(), extraTimeout),
        [&](std::uint8_t* into, int capacity, int waitMs) {
            Piece datagram = PieceOf(platform::Receive(socket, into, capacity, waitMs));
            // An empty datagram holds no part of a frame.
            if (datagram.status == PieceStatus::Data && datagram.count == 0) {
                datagram.status = PieceStatus::Empty;
            }
            return datagram;
        },
        [&](const std::uint8_t* bytes, int count) {
            Trace(TraceDirection::Received, bytes, count);
            transaction.OnRtuData(bytes, count);
            return true;
        },
        [] { return LossAction::Fail; });
}

void XCConnectionGUDP::RawExchange(XCRawRequest& request) {
    if (!RawRequestRunnable(request)) {
        return;
    }
    KeepSilent(request.sendDelay);
    if (!IsOpen() || !SendRequest(request.sendData, request.sendLength)) {
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    if (!request.waitResponse) {
        return;
    }
    // Raw replies have no frame to judge by, so an empty datagram counts as a (blank) reply.
    ReceiveRawReply<kSocketScratchSize>(
        request, ResponseLimit(request.responseTimeout, extraTimeout), kSocketRawGapMs,
        [&](std::uint8_t* into, int capacity, int waitMs) {
            return PieceOf(platform::Receive(socket, into, capacity, waitMs));
        },
        [&](const std::uint8_t* bytes, int count) {
            Trace(TraceDirection::Received, bytes, count);
        },
        [] { return LossAction::Fail; });
}
