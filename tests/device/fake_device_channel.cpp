#include "fake_device_channel.h"

#include "protocol/modbus_crc.h"

namespace {

void AppendCrc(Frame& frame) {
    const std::uint16_t crc = ModbusCrc16(frame.data(), static_cast<int>(frame.size()));
    frame.push_back(static_cast<std::uint8_t>(crc));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

}  // namespace

void FakeDeviceChannel::Transact(XCDeviceTransaction& transaction, bool waitResponse) {
    if (transaction.GetState() == TransactionState::Idle) {
        return;
    }
    const std::uint8_t* bytes = transaction.GetBuffer();
    const Frame request(bytes, bytes + transaction.GetRequestLength());
    requests.push_back(request);
    if (!waitResponse) {
        return;
    }
    if (static_cast<int>(requests.size()) - 1 == silentRequest) {
        transaction.SetState(TransactionState::TimedOut);
        return;
    }
    const int function = request[1];
    const int first = request[2] << 8 | request[3];
    const int count = request[4] << 8 | request[5];
    Frame reply(request.begin(), request.begin() + 2);
    if (function == 3 || function == 4) {
        reply.push_back(static_cast<std::uint8_t>(2 * count));
        for (int r = first; r < first + count; ++r) {
            const std::uint16_t value = registers[r];
            reply.push_back(static_cast<std::uint8_t>(value >> 8));
            reply.push_back(static_cast<std::uint8_t>(value));
        }
    } else {
        for (int k = 0; k < count; ++k) {
            registers[first + k] =
                static_cast<std::uint16_t>(request[7 + 2 * k] << 8 | request[8 + 2 * k]);
        }
        reply.insert(reply.end(), request.begin() + 2, request.begin() + 6);
    }
    AppendCrc(reply);
    transaction.OnRtuData(reply.data(), static_cast<int>(reply.size()));
}
