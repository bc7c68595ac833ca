#include "comm/connection_gudp.h"

#include <algorithm>
#include <utility>

#include "comm/channel_timing.h"
#include "comm/raw_reply.h"
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

void XCConnectionGUDP::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    KeepSilent(transaction.GetSendDelay());
    if (!IsOpen()) {
        transaction.SetState(TransactionState::Failed);
        return;
    }
    // Late answers to an earlier request must not pass for this one's.
    (void)platform::DiscardWaiting(socket);
    int length = transaction.GetRequestLength();
    platform::SysError error{};
    int sent = platform::SendTo(socket, remote, transaction.GetBuffer(), length, error);
    Trace(TraceDirection::Sent, transaction.GetBuffer(), sent);
    if (sent != length) {
        transaction.SetState(TransactionState::Failed);
        return;
    }
    if (!waitResponse) {
        return;
    }
    platform::Deadline deadline(ResponseLimit(transaction.GetResponseTimeout(), extraTimeout));
    std::uint8_t scratch[kSocketScratchSize];
    while (!deadline.Expired()) {
        platform::ReceiveResult datagram =
            platform::Receive(socket, scratch, kSocketScratchSize, deadline.Remaining());
        if (datagram.status == platform::ReceiveStatus::TimedOut) {
            break;
        }
        if (datagram.status != platform::ReceiveStatus::Data) {
            transaction.SetState(TransactionState::Failed);
            return;
        }
        if (datagram.count == 0) {
            continue;
        }
        Trace(TraceDirection::Received, scratch, datagram.count);
        transaction.OnRtuData(scratch, datagram.count);
        if (transaction.GetState() != TransactionState::Pending) {
            return;
        }
    }
    transaction.SetState(TransactionState::TimedOut);
}

void XCConnectionGUDP::RawExchange(XCRawRequest& request) {
    if (!RawRequestRunnable(request)) {
        return;
    }
    KeepSilent(request.sendDelay);
    if (!IsOpen()) {
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    (void)platform::DiscardWaiting(socket);
    platform::SysError error{};
    int sent = platform::SendTo(socket, remote, request.sendData, request.sendLength, error);
    Trace(TraceDirection::Sent, request.sendData, sent);
    if (sent != request.sendLength) {
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    if (!request.waitResponse) {
        return;
    }
    request.receivedLength = 0;
    bool anyReceived = false;
    platform::Deadline deadline(ResponseLimit(request.responseTimeout, extraTimeout));
    std::uint8_t scratch[kSocketScratchSize];
    while (!deadline.Expired()) {
        int wait =
            anyReceived ? std::min(deadline.Remaining(), kSocketRawGapMs) : deadline.Remaining();
        platform::ReceiveResult datagram =
            platform::Receive(socket, scratch, kSocketScratchSize, wait);
        if (datagram.status == platform::ReceiveStatus::TimedOut) {
            if (anyReceived) {
                return;
            }
            continue;
        }
        if (datagram.status != platform::ReceiveStatus::Data) {
            if (!anyReceived) {
                request.state = static_cast<int>(TransactionState::Failed);
            }
            return;
        }
        Trace(TraceDirection::Received, scratch, datagram.count);
        StoreRawReply(request, scratch, datagram.count);
        anyReceived = true;
    }
    request.state = static_cast<int>(TransactionState::TimedOut);
}
