#include "protocol/modbus_transaction.h"

#include <cstring>

#include "protocol/modbus_tcp_frame.h"

namespace {

constexpr std::uint8_t kExceptionFlag = 0x80;
constexpr int kShortestJudgedRtuReply = 5;  // station, function, code or count, CRC (2)
constexpr int kShortestJudgedTcpReply = 8;  // header, unit identifier, function
constexpr int kWriteFunction = 16;

void PutHighFirst(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

int GetHighFirst(const std::uint8_t* at) {
    return at[0] * 256 + at[1];
}

// Appends the CRC of the first `length` bytes behind them, low byte first.
void PutCrc(std::uint8_t* frame, int length) {
    std::uint16_t crc = ModbusCrc16(frame, length);
    frame[length] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[length + 1] = static_cast<std::uint8_t>(crc >> 8);
}

}  // namespace

void XCModBusTransaction::Append(const std::uint8_t* bytes, int length) {
    if (bytes == nullptr || length <= 0) {
        return;
    }
    int room = kBufferSize - receivedLength;
    int taken = length < room ? length : room;
    if (taken > 0) {
        std::memcpy(buffer + receivedLength, bytes, static_cast<std::size_t>(taken));
        receivedLength += taken;
    }
}

void XCModBusTransaction::BuildReadRequest(std::uint8_t newStation, std::uint16_t newFirstRegister,
                                           std::uint16_t newRegisterCount,
                                           std::uint8_t functionCode) {
    buffer[0] = newStation;
    buffer[1] = functionCode;
    PutHighFirst(buffer + 2, newFirstRegister);
    PutHighFirst(buffer + 4, newRegisterCount);
    PutCrc(buffer, 6);
    station = newStation;
    firstRegister = newFirstRegister;
    registerCount = newRegisterCount;
    requestLength = 8;
    receivedLength = 0;
    expectedLength = 2 * newRegisterCount + 5;
    state = TransactionState::Pending;
}

void XCModBusTransaction::BuildWriteRequest(std::uint8_t newStation, std::uint16_t newFirstRegister,
                                            std::uint16_t newRegisterCount,
                                            const std::uint8_t* data) {
    int dataLength = 2 * newRegisterCount;
    // The byte count field is one byte and the frame must fit the buffer; anything larger
    // cannot be sent, so nothing is built and no earlier outcome may be mistaken for this one.
    if (dataLength > 255 || 9 + dataLength > kBufferSize || (data == nullptr && dataLength > 0)) {
        requestLength = 0;
        receivedLength = 0;
        state = TransactionState::Idle;
        return;
    }
    buffer[0] = newStation;
    buffer[1] = kWriteFunction;
    PutHighFirst(buffer + 2, newFirstRegister);
    PutHighFirst(buffer + 4, newRegisterCount);
    buffer[6] = static_cast<std::uint8_t>(dataLength);
    if (dataLength > 0) {
        std::memcpy(buffer + 7, data, static_cast<std::size_t>(dataLength));
    }
    PutCrc(buffer, 7 + dataLength);
    station = newStation;
    firstRegister = newFirstRegister;
    registerCount = newRegisterCount;
    requestLength = 9 + dataLength;
    expectedLength = 8;
    receivedLength = 0;
    state = TransactionState::Pending;
}

void XCModBusTransaction::OnRtuData(const std::uint8_t* bytes, int length) {
    Append(bytes, length);
    if (receivedLength < kShortestJudgedRtuReply) {
        return;
    }
    bool isException = (buffer[1] & kExceptionFlag) != 0;
    // An exception reply is shorter than any normal one, so it is judged as soon as it can be.
    if (receivedLength != expectedLength && !isException) {
        return;
    }
    if (buffer[0] != station) {
        state = TransactionState::Failed;
        return;
    }
    std::uint16_t crc = ModbusCrc16(buffer, receivedLength - 2);
    if (buffer[receivedLength - 2] != (crc & 0xFF) || buffer[receivedLength - 1] != (crc >> 8)) {
        state = TransactionState::CrcError;
        return;
    }
    if (isException) {
        state = TransactionState::Exception;
        exceptionCode = buffer[2];
    } else {
        state = TransactionState::Done;
        exceptionCode = 0;
    }
}

int XCModBusTransaction::OnTcpData(std::uint16_t transactionId, const std::uint8_t* bytes,
                                   int length) {
    Append(bytes, length);
    if (receivedLength < kShortestJudgedTcpReply) {
        return 0;
    }
    if (GetHighFirst(buffer) != transactionId) {
        return 0;
    }
    if (receivedLength != GetHighFirst(buffer + 4) + kMbapHeaderLength) {
        return 0;
    }
    if (buffer[6] != station) {
        state = TransactionState::Failed;
        return 0;
    }
    bool isException = (buffer[7] & kExceptionFlag) != 0;
    // Only a reply that carries its exception code can be one of the two the channel handles.
    if (isException && receivedLength > 8 && (buffer[8] == 5 || buffer[8] == 6)) {
        int code = buffer[8];
        receivedLength = 0;
        return code;
    }
    receivedLength -= kMbapHeaderLength;
    std::memmove(buffer, buffer + kMbapHeaderLength, static_cast<std::size_t>(receivedLength));
    if (isException) {
        state = TransactionState::Exception;
        // A truncated exception reply carries no code; the stale byte behind it is not one.
        exceptionCode = receivedLength > 2 ? buffer[2] : 0;
    } else {
        state = TransactionState::Done;
        exceptionCode = 0;
    }
    return 0;
}

int XCModBusTransaction::GetRemaining() const {
    return receivedLength <= expectedLength ? expectedLength - receivedLength : 0;
}

std::uint16_t XCModBusTransaction::GetRegisterValue(int reg) const {
    int k = reg - firstRegister;
    if (k < 0 || k >= registerCount) {
        return 0;
    }
    int high = 3 + 2 * k;
    if (high + 1 >= kBufferSize) {
        return 0;
    }
    return static_cast<std::uint16_t>(GetHighFirst(buffer + high));
}
