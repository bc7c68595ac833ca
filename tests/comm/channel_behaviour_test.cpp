// What every RTU channel (serial, RTU in TCP, RTU in UDP) must do alike, run on each of them.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <thread>

#include "comm/scripted_links.h"

namespace {

// CRCs of these frames were computed with a bitwise CRC-16/MODBUS loop in python3.
const char* const kReadRequest = "01 03 00 00 00 0C 45 CF";
const char* const kReadReply =
    "01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";
const char* const kExceptionReply = "01 83 02 C0 F1";

double ThreadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

class ChannelBehaviour : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        link = MakeLink(GetParam());
        ASSERT_TRUE(link->Channel().IsOpen()) << link->Channel().LastError();
        read.BuildReadRequest(1, 0, 12, 3);
    }

    // Runs one read while the scripted device answers with `pieces`, `pauseMs` apart; returns
    // what the device received.
    Bytes ReadWithReply(const std::vector<Bytes>& pieces, int pauseMs = 0) {
        Bytes request;
        std::jthread device([&] {
            request = link->Receive(8, 2000);
            for (std::size_t i = 0; i < pieces.size(); ++i) {
                if (i > 0 && pauseMs > 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
                }
                link->Send(pieces[i]);
            }
        });
        link->Channel().Transact(read, true);
        return request;
    }

    std::unique_ptr<ScriptedLink> link;
    XCModBusTransaction read;
};

TEST_P(ChannelBehaviour, SendsTheFrameAloneAndTakesCompleteReply) {
    Bytes request = ReadWithReply({HexBytes(kReadReply)});
    EXPECT_EQ(ToHex(request), kReadRequest);
    EXPECT_EQ(read.GetState(), TransactionState::Done);
    EXPECT_EQ(read.GetRegisterValue(11), 0x798A);
    EXPECT_TRUE(link->Receive(1, 30).empty()) << "bytes sent beyond the frame";
}

TEST_P(ChannelBehaviour, CollectsReplyInPieces) {
    Bytes reply = HexBytes(kReadReply);
    ReadWithReply({Bytes(reply.begin(), reply.begin() + 3), Bytes(reply.begin() + 3, reply.end())},
                  30);
    EXPECT_EQ(read.GetState(), TransactionState::Done);
    EXPECT_EQ(read.GetRegisterValue(0), 0x0314);
}

TEST_P(ChannelBehaviour, ExceptionReplyEndsTheWaitAtOnce) {
    auto start = Clock::now();
    ReadWithReply({HexBytes(kExceptionReply)});
    double elapsed = MsSince(start);
    EXPECT_EQ(read.GetState(), TransactionState::Exception);
    EXPECT_EQ(read.GetExceptionCode(), 2);
    // 40 ms of silence before sending; far below the 750 ms a wait for the full length costs.
    EXPECT_GE(elapsed, 40.0);
    EXPECT_LT(elapsed, 300.0);
}

TEST_P(ChannelBehaviour, StaleInputDoesNotReachTheNextReply) {
    ReadWithReply({HexBytes(kReadReply)});
    ASSERT_EQ(read.GetState(), TransactionState::Done);
    link->Send(HexBytes("FF 01 03"));  // a late echo of the earlier exchange
    read.BuildReadRequest(1, 0, 12, 3);
    ReadWithReply({HexBytes(kReadReply)});
    EXPECT_EQ(read.GetState(), TransactionState::Done);
    EXPECT_EQ(read.GetReceivedLength(), 29);
}

TEST_P(ChannelBehaviour, IdleTransactionIsNotSent) {
    XCModBusTransaction idle;
    link->Channel().Transact(idle, true);
    EXPECT_EQ(idle.GetState(), TransactionState::Idle);
    EXPECT_TRUE(link->Receive(1, 100).empty());
}

TEST_P(ChannelBehaviour, SilentDeviceTimesOutWithoutSpendingCpu) {
    link->Channel().extraTimeout = 1000;
    auto start = Clock::now();
    double cpuBefore = ThreadCpuMs();
    link->Channel().Transact(read, true);
    double cpu = ThreadCpuMs() - cpuBefore;
    double elapsed = MsSince(start);
    EXPECT_EQ(read.GetState(), TransactionState::TimedOut);
    // 40 ms of silence, then 750 ms plus extraTimeout of waiting.
    EXPECT_GE(elapsed, 1790.0);
    EXPECT_LE(elapsed, 1790.0 + 250.0);
    EXPECT_LT(cpu, 20.0);
    std::printf("[ measure  ] %s: silent device, %.0f ms waited, %.2f ms CPU\n", GetParam(),
                elapsed, cpu);
}

TEST_P(ChannelBehaviour, RawExchangeStoresNoMoreThanTheBufferHolds) {
    const Bytes question = HexBytes("AA 55");
    const Bytes answer = HexBytes("00 01 02 03 04 05 06 07 08 09");
    struct Row {
        const char* name;
        int capacity;
        int storedLength;
    };
    for (Row row : {Row{"RoomForAll", 16, 10}, Row{"RoomForFour", 4, 4}}) {
        SCOPED_TRACE(row.name);
        std::uint8_t reply[16];
        std::fill(std::begin(reply), std::end(reply), 0xEE);
        XCRawRequest raw;
        raw.sendData = question.data();
        raw.sendLength = 2;
        raw.receiveData = reply;
        raw.receiveCapacity = row.capacity;
        raw.receivedLength = -1;
        raw.sendDelay = 0;
        raw.responseTimeout = 500;
        raw.state = 1;
        Bytes sent;
        {
            std::jthread device([&] {
                sent = link->Receive(2, 1000);
                link->Send(answer);
            });
            link->Channel().RawExchange(raw);
        }
        EXPECT_EQ(ToHex(sent), "AA 55");
        EXPECT_EQ(raw.state, 6);
        EXPECT_EQ(raw.receivedLength, row.storedLength);
        EXPECT_EQ(ToHex(reply, raw.receivedLength),
                  ToHex(Bytes(answer.begin(), answer.begin() + row.storedLength)));
        EXPECT_EQ(reply[row.capacity == 16 ? 10 : 4], 0xEE) << "stored past the reply";
    }
}

TEST_P(ChannelBehaviour, RawExchangeWithNothingToReceiveDoesNothing) {
    const std::uint8_t question[] = {0xAA};
    std::uint8_t reply[4];
    XCRawRequest raw;
    raw.sendData = question;
    raw.sendLength = 1;
    raw.receiveData = reply;
    raw.receiveCapacity = 4;
    raw.receivedLength = 0;
    raw.state = 1;
    link->Channel().RawExchange(raw);
    EXPECT_EQ(raw.state, 1);
    EXPECT_TRUE(link->Receive(1, 100).empty());
}

INSTANTIATE_TEST_SUITE_P(Links, ChannelBehaviour, testing::Values("serial", "tcp", "udp"),
                         [](const testing::TestParamInfo<const char*>& row) {
                             return std::string(row.param);
                         });

}  // namespace
