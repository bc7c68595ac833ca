#include "comm/connection_gtcp.h"

#include <algorithm>
#include <utility>

#include "comm/channel_timing.h"
#include "comm/raw_reply.h"
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
    if (!platform::HasPeer(socket) && !Reconnect()) {
        return false;
    }
    // A peer that closed its side while we were away shows up here as end of input.
    if (platform::DiscardWaiting(socket) != platform::DrainResult::Empty) {
        return Reconnect() && platform::DiscardWaiting(socket) == platform::DrainResult::Empty;
    }
    return true;
}

void XCConnectionGTCP::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    KeepSilent(transaction.GetSendDelay());
    if (!PrepareToSend()) {
        transaction.SetState(TransactionState::Failed);
        return;
    }
    int length = transaction.GetRequestLength();
    platform::SysError error{};
    int sent = platform::Send(socket, transaction.GetBuffer(), length, error);
    Trace(TraceDirection::Sent, transaction.GetBuffer(), sent);
    if (sent != length) {
        if (sent < 0) {
            Reconnect();
        }
        transaction.SetState(TransactionState::Failed);
        return;
    }
    if (!waitResponse) {
        return;
    }
    platform::Deadline deadline(ResponseLimit(transaction.GetResponseTimeout(), extraTimeout));
    std::uint8_t scratch[kSocketScratchSize];
    bool reconnected = false;
    while (!deadline.Expired()) {
        if (!IsOpen()) {
            transaction.SetState(TransactionState::Failed);
            return;
        }
        platform::ReceiveResult piece =
            platform::Receive(socket, scratch, kSocketScratchSize, deadline.Remaining());
        if (piece.status == platform::ReceiveStatus::TimedOut) {
            break;
        }
        if (piece.status != platform::ReceiveStatus::Data) {
            // The request is lost with the connection; a fresh one serves the next request. A
            // peer that drops that one too gets no further tries.
            if (reconnected) {
                break;
            }
            reconnected = true;
            Reconnect();
            continue;
        }
        Trace(TraceDirection::Received, scratch, piece.count);
        transaction.OnRtuData(scratch, piece.count);
        if (transaction.GetState() != TransactionState::Pending) {
            return;
        }
    }
    transaction.SetState(TransactionState::TimedOut);
}

void XCConnectionGTCP::RawExchange(XCRawRequest& request) {
    if (!RawRequestRunnable(request)) {
        return;
    }
    KeepSilent(request.sendDelay);
    if (!PrepareToSend()) {
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    platform::SysError error{};
    int sent = platform::Send(socket, request.sendData, request.sendLength, error);
    Trace(TraceDirection::Sent, request.sendData, sent);
    if (sent != request.sendLength) {
        if (sent < 0) {
            Reconnect();
        }
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    if (!request.waitResponse) {
        return;
    }
    request.receivedLength = 0;
    bool anyReceived = false;
    bool reconnected = false;
    platform::Deadline deadline(ResponseLimit(request.responseTimeout, extraTimeout));
    std::uint8_t scratch[kSocketScratchSize];
    while (!deadline.Expired()) {
        if (!IsOpen()) {
            request.state = static_cast<int>(TransactionState::Failed);
            return;
        }
        int wait =
            anyReceived ? std::min(deadline.Remaining(), kSocketRawGapMs) : deadline.Remaining();
        platform::ReceiveResult piece =
            platform::Receive(socket, scratch, kSocketScratchSize, wait);
        if (piece.status == platform::ReceiveStatus::TimedOut) {
            if (anyReceived) {
                return;
            }
            continue;
        }
        if (piece.status != platform::ReceiveStatus::Data) {
            if (anyReceived) {
                return;
            }
            if (reconnected) {
                break;
            }
            reconnected = true;
            Reconnect();
            continue;
        }
        Trace(TraceDirection::Received, scratch, piece.count);
        StoreRawReply(request, scratch, piece.count);
        anyReceived = true;
    }
    request.state = static_cast<int>(TransactionState::TimedOut);
}
