#include "protocol/modbus_tcp_frame.h"

#include <cstring>

int BuildModbusTcpRequest(std::uint16_t transactionId, const std::uint8_t* rtuFrame, int rtuLength,
                          std::uint8_t* out, int outCapacity) {
    // Unit identifier and function code are the least a request carries besides its CRC.
    if (rtuFrame == nullptr || out == nullptr || rtuLength < 4) {
        return 0;
    }
    int pduLength = rtuLength - 2;  // unit identifier, function code and data
    int messageLength = kMbapHeaderLength + pduLength;
    if (messageLength > outCapacity || pduLength > 0xFFFF) {
        return 0;
    }
    out[0] = static_cast<std::uint8_t>(transactionId >> 8);
    out[1] = static_cast<std::uint8_t>(transactionId & 0xFF);
    out[2] = 0;
    out[3] = 0;
    out[4] = static_cast<std::uint8_t>(pduLength >> 8);
    out[5] = static_cast<std::uint8_t>(pduLength & 0xFF);
    std::memcpy(out + kMbapHeaderLength, rtuFrame, static_cast<std::size_t>(pduLength));
    return messageLength;
}
