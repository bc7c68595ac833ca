// One Modbus request and its reply, and the frame formats (RTU with CRC, Modbus TCP).
// Pure frame code: no I/O. The channels in comm/ drive a transaction through
// XCDeviceTransaction only.
#pragma once

#include <cstdint>

#include "protocol/modbus_crc.h"

// Outcome of one exchange. Only Done is success.
enum class TransactionState : int {
    Idle = 0,       // no request built; channels never send it
    Pending = 1,    // request ready; reply not yet complete
    Failed = 2,     // reply from another station, or the link failed
    TimedOut = 3,   // reply not complete in time
    CrcError = 4,   // reply CRC does not match
    Exception = 5,  // the device answered with a Modbus exception
    Done = 6,       // complete reply from the right station
};

// What a channel sees of a transaction.
class XCDeviceTransaction {
public:
    virtual ~XCDeviceTransaction() = default;
    virtual TransactionState GetState() const = 0;
    virtual int GetRequestLength() const = 0;
    virtual const std::uint8_t* GetBuffer() const = 0;
    // Appends one piece of an RTU reply and judges what has arrived so far.
    virtual void OnRtuData(const std::uint8_t* bytes, int length) = 0;
    // Appends one piece of a Modbus TCP reply to the request sent with `transactionId`.
    // Returns 5 or 6 when the device answered ACKNOWLEDGE or SERVER DEVICE BUSY (the
    // transaction stays Pending with an empty buffer), otherwise 0; -1 when unsupported.
    virtual int OnTcpData(std::uint16_t transactionId, const std::uint8_t* bytes, int length) {
        (void)transactionId;
        (void)bytes;
        (void)length;
        return -1;
    }
    // Bytes still missing from a complete normal reply.
    virtual int GetRemaining() const = 0;
    // Milliseconds of silence to keep before sending.
    virtual int GetSendDelay() const = 0;
    // Milliseconds to wait for the reply (channels add their extraTimeout).
    virtual int GetResponseTimeout() const = 0;
    virtual void SetState(TransactionState state) = 0;
    virtual int GetAux() const = 0;
};

class XCModBusTransaction : public XCDeviceTransaction {
public:
    static constexpr int kBufferSize = 384;

    XCModBusTransaction() = default;

    TransactionState GetState() const override { return state; }
    int GetRequestLength() const override { return requestLength; }
    const std::uint8_t* GetBuffer() const override { return buffer; }
    void OnRtuData(const std::uint8_t* bytes, int length) override;
    int OnTcpData(std::uint16_t transactionId, const std::uint8_t* bytes, int length) override;
    int GetRemaining() const override;
    int GetSendDelay() const override { return sendDelay; }
    int GetResponseTimeout() const override { return responseTimeout; }
    void SetState(TransactionState newState) override { state = newState; }
    int GetAux() const override { return 0; }

    // Function 3 or 4 request: 8 bytes, expected reply 2 * count + 5 bytes.
    void BuildReadRequest(std::uint8_t station, std::uint16_t firstRegister,
                          std::uint16_t registerCount, std::uint8_t functionCode);
    // Function 16 request; `data` holds 2 * registerCount bytes, each register high byte first.
    // Counts above 127 (the byte count field is one byte) are refused: the transaction is left
    // Idle, so no channel sends it and no earlier outcome stands for it.
    void BuildWriteRequest(std::uint8_t station, std::uint16_t firstRegister,
                           std::uint16_t registerCount, const std::uint8_t* data);
    // After a Done read: the 16-bit value of `reg` (firstRegister .. firstRegister + count - 1).
    // Returns 0 for a register outside the request.
    std::uint16_t GetRegisterValue(int reg) const;

    int GetExceptionCode() const { return exceptionCode; }
    int GetReceivedLength() const { return receivedLength; }
    int GetExpectedLength() const { return expectedLength; }
    int GetStation() const { return station; }
    int GetFirstRegister() const { return firstRegister; }
    int GetRegisterCount() const { return registerCount; }

private:
    void Append(const std::uint8_t* bytes, int length);

    std::uint8_t buffer[kBufferSize] = {};
    TransactionState state = TransactionState::Idle;
    int requestLength = 0;
    int expectedLength = 0;
    int receivedLength = 0;
    int station = 0;
    int firstRegister = 0;
    int registerCount = 0;
    int exceptionCode = 0;
    int sendDelay = 40;
    int responseTimeout = 750;
};
