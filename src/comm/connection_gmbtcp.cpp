#include "comm/connection_gmbtcp.h"

#include <utility>

#include "comm/channel_timing.h"
#include "comm/reply_loop.h"
#include "comm/tcp_link.h"
#include "platform/socket.h"
#include "platform/tick.h"
#include "protocol/modbus_tcp_frame.h"

namespace {

constexpr int kStatusRunning = 2;
constexpr int kStatusFinished = 5;
constexpr int kServerDeviceBusy = 6;

}  // namespace

XCConnectionGMBTCP::XCConnectionGMBTCP(std::string peerAddress, int peerPort)
    : address(std::move(peerAddress)), port(peerPort), socket(platform::kInvalidSocket) {}

XCConnectionGMBTCP::~XCConnectionGMBTCP() {
    Close();
}

bool XCConnectionGMBTCP::IsOpen() const {
    return socket != platform::kInvalidSocket;
}

bool XCConnectionGMBTCP::Open() {
    if (platform::HasPeer(socket)) {
        return true;
    }
    CloseTcp(socket);
    transactionId = 0;
    return ConnectTcp(socket, address, port, &lastError);
}

void XCConnectionGMBTCP::Close() {
    CloseTcp(socket);
}

void XCConnectionGMBTCP::RawExchange(XCRawRequest& request) {
    (void)request;
}

bool XCConnectionGMBTCP::Reconnect() {
    Close();
    return Open();
}

bool XCConnectionGMBTCP::PrepareToSend() {
    return ReadyToSend(socket, [this] { return Reconnect(); });
}

bool XCConnectionGMBTCP::SendRequest(XCDeviceTransaction& transaction) {
    ++transactionId;
    framedLength = BuildModbusTcpRequest(transactionId, transaction.GetBuffer(),
                                         transaction.GetRequestLength(), framed, sizeof framed);
    if (framedLength == 0) {
        transaction.SetState(TransactionState::Failed);
        return false;
    }
    return SendFramed(transaction);
}

bool XCConnectionGMBTCP::ResendRequest(XCDeviceTransaction& transaction) {
    ++transactionId;
    framed[0] = static_cast<std::uint8_t>(transactionId >> 8);
    framed[1] = static_cast<std::uint8_t>(transactionId & 0xFF);
    return SendFramed(transaction);
}

bool XCConnectionGMBTCP::SendFramed(XCDeviceTransaction& transaction) {
    platform::SysError error{};
    int sent = platform::Send(socket, framed, framedLength, error);
    Trace(TraceDirection::Sent, framed, sent);
    if (sent != framedLength) {
        if (sent < 0) {
            Reconnect();
        }
        transaction.SetState(TransactionState::Failed);
        return false;
    }
    return true;
}

void XCConnectionGMBTCP::ReceiveReply(XCDeviceTransaction& transaction) {
    bool reconnected = false;
    ReceiveFramedReply<kSocketScratchSize>(
        transaction, ResponseLimit(kModbusTcpWaitMs, extraTimeout),
        [&](std::uint8_t* into, int capacity, int waitMs) {
            return ReceiveStreamPiece(socket, into, capacity, waitMs);
        },
        [&](const std::uint8_t* bytes, int count) {
            Trace(TraceDirection::Received, bytes, count);
            if (transaction.OnTcpData(transactionId, bytes, count) == kServerDeviceBusy) {
                platform::SleepMs(kBusyResendDelayMs);
                return ResendRequest(transaction);
            }
            return true;
        },
        [&] { return ReconnectOnce(reconnected, [this] { Reconnect(); }); });
}

void XCConnectionGMBTCP::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    status = kStatusRunning;
    if (!PrepareToSend()) {
        transaction.SetState(TransactionState::Failed);
    } else if (SendRequest(transaction) && waitResponse) {
        ReceiveReply(transaction);
    }
    status = kStatusFinished;
}
