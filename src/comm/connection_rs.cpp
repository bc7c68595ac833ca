#include "comm/connection_rs.h"

#include <algorithm>
#include <utility>

#include "comm/channel_timing.h"
#include "comm/raw_reply.h"
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

void XCConnectionRS::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    KeepSilent(transaction.GetSendDelay());
    port.DiscardInput();  // a stale byte must not pass for the start of the reply
    int length = transaction.GetRequestLength();
    int written = port.Write(transaction.GetBuffer(), length);
    Trace(TraceDirection::Sent, transaction.GetBuffer(), written);
    if (written != length) {
        transaction.SetState(TransactionState::Failed);
        return;
    }
    if (!waitResponse) {
        return;
    }
    platform::Deadline deadline(ResponseLimit(transaction.GetResponseTimeout(), extraTimeout));
    std::uint8_t scratch[kSerialScratchSize];
    while (!deadline.Expired()) {
        // Never more than the reply still lacks, so the bytes of the next frame stay queued.
        int wanted = std::clamp(transaction.GetRemaining(), 1, kSerialScratchSize);
        platform::ReadResult piece = port.Read(scratch, wanted, deadline.Remaining());
        if (piece.status == platform::ReadStatus::TimedOut) {
            break;
        }
        if (piece.status != platform::ReadStatus::Data) {
            // The device went away: no reply can come any more.
            transaction.SetState(TransactionState::Failed);
            return;
        }
        Trace(TraceDirection::Received, scratch, piece.count);
        transaction.OnRtuData(scratch, piece.count);
        if (transaction.GetState() != TransactionState::Pending) {
            return;
        }
    }
    transaction.SetState(TransactionState::TimedOut);
}

void XCConnectionRS::RawExchange(XCRawRequest& request) {
    if (!RawRequestRunnable(request)) {
        return;
    }
    KeepSilent(request.sendDelay);
    port.DiscardInput();
    int written = port.Write(request.sendData, request.sendLength);
    Trace(TraceDirection::Sent, request.sendData, written);
    if (written != request.sendLength) {
        request.state = static_cast<int>(TransactionState::Failed);
        return;
    }
    if (!request.waitResponse) {
        return;
    }
    request.receivedLength = 0;
    bool anyReceived = false;
    platform::Deadline deadline(ResponseLimit(request.responseTimeout, extraTimeout));
    std::uint8_t scratch[kSerialScratchSize];
    while (!deadline.Expired()) {
        int wait =
            anyReceived ? std::min(deadline.Remaining(), kSerialRawGapMs) : deadline.Remaining();
        platform::ReadResult piece = port.Read(scratch, kSerialScratchSize, wait);
        if (piece.status == platform::ReadStatus::TimedOut) {
            if (anyReceived) {
                return;
            }
            continue;
        }
        if (piece.status != platform::ReadStatus::Data) {
            if (!anyReceived) {
                request.state = static_cast<int>(TransactionState::Failed);
            }
            return;
        }
        Trace(TraceDirection::Received, scratch, piece.count);
        StoreRawReply(request, scratch, piece.count);
        anyReceived = true;
    }
    request.state = static_cast<int>(TransactionState::TimedOut);
}
