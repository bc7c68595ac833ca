// Modbus TCP reply judging fed in pieces: identifiers, length fields and unit identifiers of any
// value, replies cut anywhere, the two "try again" exceptions at any point.
//
// Input: transaction identifier (2), station, first register (2), register count (2); then
// pieces, each a length byte and that many bytes.
#include "fuzz_input.h"
#include "protocol/modbus_transaction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint16_t id = in.Word();
    const std::uint8_t station = in.Byte();
    const std::uint16_t first = in.Word();
    const std::uint16_t count = in.Word();

    XCModBusTransaction t;
    t.BuildReadRequest(station, first, count, 3);
    std::vector<std::uint8_t> held;  // what the transaction should hold: the model to compare
    while (!in.Empty() && t.GetState() == TransactionState::Pending) {
        std::vector<std::uint8_t> piece = in.Take(in.Byte());
        for (std::uint8_t byte : piece) {
            if (held.size() < XCModBusTransaction::kBufferSize) {
                held.push_back(byte);
            }
        }
        const int result = t.OnTcpData(id, piece.data(), static_cast<int>(piece.size()));
        const int n = static_cast<int>(held.size());
        FUZZ_CHECK(result == 0 || result == 5 || result == 6);
        const bool framed =
            n >= 8 && (held[0] << 8 | held[1]) == id && n == (held[4] << 8 | held[5]) + 6;
        if (result != 0) {
            FUZZ_CHECK(framed && held[6] == station && (held[7] & 0x80) && held[8] == result);
            FUZZ_CHECK(t.GetState() == TransactionState::Pending && t.GetReceivedLength() == 0);
            held.clear();
            continue;
        }
        switch (t.GetState()) {
            case TransactionState::Pending:
                FUZZ_CHECK(!framed);
                FUZZ_CHECK(t.GetReceivedLength() == n);
                break;
            case TransactionState::Failed:
                FUZZ_CHECK(framed && held[6] != station);
                break;
            case TransactionState::Exception:
                FUZZ_CHECK(framed && held[6] == station && (held[7] & 0x80));
                FUZZ_CHECK(t.GetReceivedLength() == n - 6);
                FUZZ_CHECK(t.GetExceptionCode() == (n > 8 ? held[8] : 0));
                break;
            case TransactionState::Done:
                FUZZ_CHECK(framed && held[6] == station && !(held[7] & 0x80));
                FUZZ_CHECK(t.GetReceivedLength() == n - 6 && t.GetExceptionCode() == 0);
                // The PDU now starts the buffer, as an RTU reply without its CRC would.
                for (int i = 0; i < n - 6; ++i) {
                    FUZZ_CHECK(t.GetBuffer()[i] == held[static_cast<std::size_t>(6 + i)]);
                }
                for (int k = 0; k < count && 4 + 2 * k < n - 6; ++k) {
                    const int at = 6 + 3 + 2 * k;
                    FUZZ_CHECK(t.GetRegisterValue(first + k) == (held[at] << 8 | held[at + 1]));
                }
                break;
            default:
                FUZZ_CHECK(!"a Modbus TCP reply can only end Failed, Exception or Done");
        }
    }
    return 0;
}
