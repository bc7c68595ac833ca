#include "comm/connection_rs.h"

#include <algorithm>
#include <utility>

#include "comm/channel_timing.h"
#include "comm/raw_reply.h"
#include "comm/reply_loop.h"
#include "platform/com_port.h"
#include "platform/tick.h"

namespace {

std::string OpenFailureText(platform::SysError error) {
    switch (error) {
        case platform::SysError::PermissionDenied:
            return "permission denied - is the user in the dialout group?";
        case platform::SysError::Busy:
            return "busy - another program is using the port";
        case platform::SysError::Unsupported:
            return "line settings not supported by this port";
        default:
            return platform::SysErrorText(error);
    }
}

}  // namespace

XCConnectionRS::XCConnectionRS(int comPortNumber, int baudRate, int parity, int byteSize,
                               int stopBits)
    : comPort(comPortNumber), line{baudRate, parity, byteSize, stopBits} {}

XCConnectionRS::XCConnectionRS(std::string path, int baudRate, int parity, int byteSize,
                               int stopBits)
    : devicePath(std::move(path)), line{baudRate, parity, byteSize, stopBits} {}

XCConnectionRS::~XCConnectionRS() {
    Close();
}

std::string XCConnectionRS::DevicePath() const {
    return devicePath.empty() ? platform::ComPortDevicePath(comPort) : devicePath;
}

std::string XCConnectionRS::PortName() const {
    if (!devicePath.empty()) {
        return devicePath;
    }
    std::string name = "COM" + std::to_string(comPort);
    std::string path = DevicePath();
    return path.empty() ? name : name + " (" + path + ")";
}

bool XCConnectionRS::Open() {
    if (port.IsOpen()) {
        return true;
    }
    std::string path = DevicePath();
    if (path.empty()) {
        lastError = PortName() + ": no such port (COM1 to COM" +
                    std::to_string(platform::kHighestComPort) + ")";
        return false;
    }
    platform::SysError error = port.Open(path, line);
    if (error != platform::SysError::None) {
        lastError = PortName() + ": " + OpenFailureText(error);
        return false;
    }
    lastError.clear();
    return true;
}

void XCConnectionRS::Close() {
    port.Close();
}

bool XCConnectionRS::SendRequest(const std::uint8_t* bytes, int length) {
    port.DiscardInput();  // a stale byte must not pass for the start of the reply
    int written = port.Write(bytes, length);
    Trace(TraceDirection::Sent, bytes, written);
    return written == length;
}

Piece XCConnectionRS::ReadPiece(std::uint8_t* into, int wanted, int waitMs) {
    platform::ReadResult piece = port.Read(into, wanted, waitMs);
    switch (piece.status) {
        case platform::ReadStatus::Data:
            return {PieceStatus::Data, piece.count};
        case platform::ReadStatus::TimedOut:
            return {PieceStatus::Silence, 0};
        case platform::ReadStatus::Closed:
        case platform::ReadStatus::Failed:
            break;
    }
    return {PieceStatus::Lost, 0};
}

void XCConnectionRS::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    KeepSilent(transaction.GetSendDelay());
    if (!SendRequest(transaction.GetBuffer(), transaction.GetRequestLength())) {
        transaction.SetState(TransactionState::Failed);
        return;
    }
    if (!waitResponse) {
        return;
    }
    ReceiveFramedReply<kSerialScratchSize>(
        transaction, ResponseLimit(transaction.GetResponseTimeout(), extraTimeout),
        [&](std::uint8_t* into, int capacity, int waitMs) {
            // Never more than the reply still lacks, so the bytes of the next frame stay queued.
            return ReadPiece(into, std::clamp(transaction.GetRemaining(), 1, capacity), waitMs);
        },
        [&](const std::uint8_t* bytes, int count) {
            Trace(TraceDirection::Received, bytes, count);
            transaction.OnRtuData(bytes, count);
            return true;
        },
        // The device went away: no reply can come any more.
        [] { return LossAction::Fail; });
}

void XCConnectionRS::RawExchange(XCRawRequest& request) {
    if (!RawRequestRunnable(request)) {
        return;
    }
    KeepSilent(request.sendDelay);
    if (!SendRequest(request.sendData, request.sendLength)) {
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    if (!request.waitResponse) {
        return;
    }
    ReceiveRawReply<kSerialScratchSize>(
        request, ResponseLimit(request.responseTimeout, extraTimeout), kSerialRawGapMs,
        [&](std::uint8_t* into, int capacity, int waitMs) {
            return ReadPiece(into, capacity, waitMs);
        },
        [&](const std::uint8_t* bytes, int count) {
            Trace(TraceDirection::Received, bytes, count);
        },
        [] { return LossAction::Fail; });
}
