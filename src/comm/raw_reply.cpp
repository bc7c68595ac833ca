#include "comm/raw_reply.h"

#include <algorithm>
#include <cstring>

bool RawRequestRunnable(const XCRawRequest& request) {
    return request.state != static_cast<int>(TransactionState::Idle) &&
           request.sendData != nullptr && request.sendLength > 0 &&
           request.receiveData != nullptr && request.receiveCapacity > 0 &&
           request.receivedLength != 0;
}

void StoreRawReply(XCRawRequest& request, const std::uint8_t* bytes, int length) {
    int stored = std::clamp(request.receivedLength, 0, request.receiveCapacity);
    int taken = std::min(length, request.receiveCapacity - stored);
    if (taken > 0) {
        std::memcpy(request.receiveData + stored, bytes, static_cast<std::size_t>(taken));
        stored += taken;
    }
    request.receivedLength = stored;
    request.state = static_cast<int>(TransactionState::Done);
}
