// ReadDevice against a device that answers with the fuzzer's bytes. Whatever comes back, the
// operation ends with one of its result codes, sends only the requests it may send, and closes
// the channel again.
//
// Input: mode byte (bit 0: the channel fails to open; bit 1: each reply gets the request's
// station and a correct CRC, so the fuzzer reaches the values behind them), station; then one
// chunk per request: a length byte, that many reply bytes, and a byte giving the size of the
// first piece they are handed over in. No chunk left: the request times out.
#include "fuzz_input.h"
#include "protocol/device_operations.h"
#include "protocol/device_registers.h"

namespace {

class FuzzChannel : public XCConnection {
public:
    FuzzChannel(FuzzInput& input, bool openFails, bool fixFrames)
        : in(input), openFails_(openFails), fixFrames_(fixFrames) {}

    bool IsOpen() const override { return open_; }
    void RawExchange(XCRawRequest& request) override { request.state = 2; }
    bool Open() override {
        ++opens;
        open_ = !openFails_;
        return open_;
    }
    void Close() override { open_ = false; }
    ConnectionType GetType() const override { return ConnectionType::Serial; }

    void Transact(XCDeviceTransaction& t, bool waitResponse) override {
        FUZZ_CHECK(open_);
        FUZZ_CHECK(waitResponse);
        FUZZ_CHECK(t.GetState() == TransactionState::Pending);
        const std::uint8_t* request = t.GetBuffer();
        const int length = t.GetRequestLength();
        FUZZ_CHECK(length == 8);  // reading sends read requests only
        FUZZ_CHECK(request[1] == 3 || request[1] == 4);
        ++requests;
        if (in.Empty()) {
            t.SetState(TransactionState::TimedOut);
            return;
        }
        std::vector<std::uint8_t> reply = in.Take(in.Byte());
        if (fixFrames_ && reply.size() >= 3) {
            reply[0] = request[0];
            const std::uint16_t crc = BitwiseCrc16(reply.data(), reply.size() - 2);
            reply[reply.size() - 2] = static_cast<std::uint8_t>(crc);
            reply[reply.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
        }
        std::size_t firstPiece = in.Byte();
        if (firstPiece > reply.size()) {
            firstPiece = reply.size();
        }
        t.OnRtuData(reply.data(), static_cast<int>(firstPiece));
        if (t.GetState() == TransactionState::Pending) {
            t.OnRtuData(reply.data() + firstPiece, static_cast<int>(reply.size() - firstPiece));
        }
        if (t.GetState() == TransactionState::Pending) {
            t.SetState(TransactionState::TimedOut);
        }
    }

    int opens = 0;
    int requests = 0;

private:
    FuzzInput& in;
    bool open_ = false;
    bool openFails_;
    bool fixFrames_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t mode = in.Byte();
    const int station = in.Byte();
    FuzzChannel channel(in, (mode & 1) != 0, (mode & 2) != 0);
    DeviceInfo info;
    const int result = ReadDevice(info, station, &channel);

    FUZZ_CHECK(channel.extraTimeout == 1000);
    FUZZ_CHECK(!channel.IsOpen());
    FUZZ_CHECK(channel.opens == 1);
    if ((mode & 1) != 0) {
        FUZZ_CHECK(result == kDeviceNoLink && channel.requests == 0);
        return 0;
    }
    FUZZ_CHECK(result == kDeviceOk || result == kDeviceRequestFailed ||
               result == kDeviceBadStation);
    // Identification first; then register 50 alone for the one-line model, else 8 more.
    FUZZ_CHECK(channel.requests >= 1 && channel.requests <= 9);
    if (result == kDeviceBadStation) {
        FUZZ_CHECK(channel.requests == 1);
        FUZZ_CHECK(info.stationNumber < 1 || info.stationNumber > 255);
    }
    if (result == kDeviceOk) {
        FUZZ_CHECK(info.stationNumber >= 1 && info.stationNumber <= 255);
        FUZZ_CHECK(channel.requests ==
                   (info.modelCode == device_registers::kOneLineModelCode ? 2 : 9));
        FUZZ_CHECK(info.model >= 0 && info.model <= 4294967295.0);
    }
    return 0;
}
