// RTU reply judging fed in pieces the fuzzer chooses: whatever arrives, the transaction's state
// must agree with the bytes it holds, and nothing is read or written outside its buffer.
//
// Input: mode (bit 0: write request), station, first register (2), register count (2),
// function; for a write, the register data; then pieces, each a length byte and that many bytes.
#include "fuzz_input.h"
#include "protocol/modbus_transaction.h"

namespace {

void CheckJudgement(const XCModBusTransaction& t) {
    const int received = t.GetReceivedLength();
    FUZZ_CHECK(received >= 0 && received <= XCModBusTransaction::kBufferSize);
    const std::uint8_t* b = t.GetBuffer();
    const TransactionState state = t.GetState();
    if (state == TransactionState::Pending) {
        const bool judgeable =
            received >= 5 && (received == t.GetExpectedLength() || (b[1] & 0x80) != 0);
        FUZZ_CHECK(!judgeable);
        return;
    }
    FUZZ_CHECK(received >= 5);
    const bool exception = (b[1] & 0x80) != 0;
    FUZZ_CHECK(exception || received == t.GetExpectedLength());
    if (state == TransactionState::Failed) {
        FUZZ_CHECK(b[0] != t.GetStation());
        return;
    }
    FUZZ_CHECK(b[0] == t.GetStation());
    const std::uint16_t crc = BitwiseCrc16(b, static_cast<std::size_t>(received - 2));
    const bool crcGood = b[received - 2] == (crc & 0xFF) && b[received - 1] == (crc >> 8);
    if (state == TransactionState::CrcError) {
        FUZZ_CHECK(!crcGood);
        return;
    }
    FUZZ_CHECK(crcGood);
    if (state == TransactionState::Exception) {
        FUZZ_CHECK(exception && t.GetExceptionCode() == b[2]);
        return;
    }
    FUZZ_CHECK(state == TransactionState::Done);
    FUZZ_CHECK(!exception && t.GetExceptionCode() == 0);
    // Every register of the request can be taken out of the reply.
    for (int k = 0; k < t.GetRegisterCount(); ++k) {
        const int at = 3 + 2 * k;
        FUZZ_CHECK(t.GetRegisterValue(t.GetFirstRegister() + k) == (b[at] << 8 | b[at + 1]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const bool write = (in.Byte() & 1) != 0;
    const std::uint8_t station = in.Byte();
    const std::uint16_t first = in.Word();
    const std::uint16_t count = in.Word();
    const std::uint8_t function = in.Byte();

    XCModBusTransaction t;
    if (write) {
        std::vector<std::uint8_t> values = in.Take(2u * count);
        values.resize(2u * count);
        t.BuildWriteRequest(station, first, count, values.data());
        if (t.GetState() == TransactionState::Idle) {
            FUZZ_CHECK(2 * count > 255 && t.GetRequestLength() == 0);
            return 0;
        }
        FUZZ_CHECK(t.GetRequestLength() == 9 + 2 * count && t.GetExpectedLength() == 8);
    } else {
        t.BuildReadRequest(station, first, count, function);
        FUZZ_CHECK(t.GetRequestLength() == 8 && t.GetExpectedLength() == 2 * count + 5);
    }
    const std::uint8_t* frame = t.GetBuffer();
    const int length = t.GetRequestLength();
    const std::uint16_t crc = BitwiseCrc16(frame, static_cast<std::size_t>(length - 2));
    FUZZ_CHECK(frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8));

    // As a channel does: hand over pieces until the transaction is no longer Pending.
    while (!in.Empty() && t.GetState() == TransactionState::Pending) {
        std::vector<std::uint8_t> piece = in.Take(in.Byte());
        const int before = t.GetReceivedLength();
        t.OnRtuData(piece.data(), static_cast<int>(piece.size()));
        const int room = XCModBusTransaction::kBufferSize - before;
        const int stored =
            static_cast<int>(piece.size()) < room ? static_cast<int>(piece.size()) : room;
        FUZZ_CHECK(t.GetReceivedLength() == before + stored);
        FUZZ_CHECK(t.GetRemaining() == (t.GetReceivedLength() <= t.GetExpectedLength()
                                            ? t.GetExpectedLength() - t.GetReceivedLength()
                                            : 0));
        CheckJudgement(t);
    }
    return 0;
}
