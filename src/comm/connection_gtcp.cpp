#include "comm/connection_gtcp.h"

#include <algorithm>
#include <utility>

#include "comm/channel_timing.h"
#include "comm/raw_reply.h"
#include "comm/reply_loop.h"
#include "comm/tcp_link.h"
#include "platform/socket.h"
#include "platform/tick.h"

XCConnectionGTCP::XCConnectionGTCP(std::string peerAddress, int peerPort)
    : address(std::move(peerAddress)), port(peerPort), socket(platform::kInvalidSocket) {}

XCConnectionGTCP::~XCConnectionGTCP() {
    Close();
}

bool XCConnectionGTCP::IsOpen() const {
    return socket != platform::kInvalidSocket;
}

bool XCConnectionGTCP::Open() {
    if (platform::HasPeer(socket)) {
        return true;
    }
    CloseTcp(socket);
    return ConnectTcp(socket, address, port, &lastError);
}

void XCConnectionGTCP::Close() {
    CloseTcp(socket);
}

bool XCConnectionGTCP::Reconnect() {
    Close();
    return Open();
}

bool XCConnectionGTCP::PrepareToSend() {
    return ReadyToSend(socket, [this] { return Reconnect(); });
}

bool XCConnectionGTCP::SendRequest(const std::uint8_t* bytes, int length) {
    platform::SysError error{};
    int sent = platform::Send(socket, bytes, length, error);
    Trace(TraceDirection::Sent, bytes, sent);
    if (sent != length) {
        if (sent < 0) {
            Reconnect();
        }
        return false;
    }
    return true;
}

void XCConnectionGTCP::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    KeepSilent(transaction.GetSendDelay());
    if (!PrepareToSend() || !SendRequest(transaction.GetBuffer(), transaction.GetRequestLength())) {
        transaction.SetState(TransactionState::Failed);
        return;
    }
    if (!waitResponse) {
        return;
    }
    bool reconnected = false;
    ReceiveFramedReply<kSocketScratchSize>(
        transaction, ResponseLimit(transaction.GetResponseTimeout(), extraTimeout),
        [&](std::uint8_t* into, int capacity, int waitMs) {
            return ReceiveStreamPiece(socket, into, capacity, waitMs);
        },
        [&](const std::uint8_t* bytes, int count) {
            Trace(TraceDirection::Received, bytes, count);
            transaction.OnRtuData(bytes, count);
            return true;
        },
        [&] { return ReconnectOnce(reconnected, [this] { Reconnect(); }); });
}

void XCConnectionGTCP::RawExchange(XCRawRequest& request) {
    if (!RawRequestRunnable(request)) {
        return;
    }
    KeepSilent(request.sendDelay);
    if (!PrepareToSend() || !SendRequest(request.sendData, request.sendLength)) {
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    if (!request.waitResponse) {
        return;
    }
    bool reconnected = false;
    ReceiveRawReply<kSocketScratchSize>(
        request, ResponseLimit(request.responseTimeout, extraTimeout), kSocketRawGapMs,
        [&](std::uint8_t* into, int capacity, int waitMs) {
            return ReceiveStreamPiece(socket, into, capacity, waitMs);
        },
        [&](const std::uint8_t* bytes, int count) {
            Trace(TraceDirection::Received, bytes, count);
        },
        [&] { return ReconnectOnce(reconnected, [this] { Reconnect(); }); });
}
