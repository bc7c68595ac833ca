#include "protocol/modbus_transaction.h"

#include <gtest/gtest.h>

#include "protocol/case_name.h"
#include "protocol/hex_bytes.h"
#include "protocol/modbus_tcp_frame.h"

namespace {

// Replies whose CRCs were computed with a bitwise CRC-16/MODBUS loop in python3.
const char* const kReadReply12 =
    "01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";
const char* const kReadReply12CrcBroken =  // data byte 0x47 changed to 0x46
    "01 03 18 03 14 25 36 46 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";
const char* const kReadReply12OtherStation =  // station 2, CRC of station 1 left behind
    "02 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A FC 9A";
const char* const kTcpReply12 =
    "00 01 00 00 00 1B 01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 "
    "68 79 8A";

XCModBusTransaction ReadTwelveFromStationOne() {
    XCModBusTransaction transaction;
    transaction.BuildReadRequest(1, 0, 12, 3);
    return transaction;
}

XCModBusTransaction WriteRegisterTwelve() {
    XCModBusTransaction transaction;
    const std::uint8_t value[] = {0x00, 0x02};
    transaction.BuildWriteRequest(1, 12, 1, value);
    return transaction;
}

Bytes RequestOf(const XCModBusTransaction& transaction) {
    return Bytes(transaction.GetBuffer(), transaction.GetBuffer() + transaction.GetRequestLength());
}

struct FrameCase {
    const char* name;
    XCModBusTransaction (*build)();
    const char* frame;
    int expectedLength;
};

void PrintTo(const FrameCase& c, std::ostream* os) {
    *os << c.name;
}

class RequestFrame : public testing::TestWithParam<FrameCase> {};

TEST_P(RequestFrame, MatchesReferenceBytes) {
    XCModBusTransaction transaction = GetParam().build();
    EXPECT_EQ(ToHex(RequestOf(transaction)), GetParam().frame);
    EXPECT_EQ(transaction.GetExpectedLength(), GetParam().expectedLength);
    EXPECT_EQ(transaction.GetState(), TransactionState::Pending);
    EXPECT_EQ(transaction.GetRemaining(), GetParam().expectedLength);
}

INSTANTIATE_TEST_SUITE_P(Frames, RequestFrame,
                         testing::Values(FrameCase{"ReadTwelveHoldingRegisters",
                                                   ReadTwelveFromStationOne,
                                                   "01 03 00 00 00 0C 45 CF", 29},
                                         FrameCase{"WriteOneRegister", WriteRegisterTwelve,
                                                   "01 10 00 0C 00 01 02 00 02 27 5D", 8}),
                         CaseName());

TEST(ModbusTcpFrame, WrapsReadWithoutCrc) {
    XCModBusTransaction transaction = ReadTwelveFromStationOne();
    std::uint8_t message[kMaxModbusTcpRequestLength];
    int length = BuildModbusTcpRequest(1, transaction.GetBuffer(), transaction.GetRequestLength(),
                                       message, sizeof message);
    EXPECT_EQ(ToHex(message, length), "00 01 00 00 00 06 01 03 00 00 00 0C");
}

TEST(ModbusTcpFrame, RefusesMessageLargerThanOutput) {
    XCModBusTransaction transaction = ReadTwelveFromStationOne();
    std::uint8_t message[12] = {};
    EXPECT_EQ(BuildModbusTcpRequest(7, transaction.GetBuffer(), 8, message, 11), 0);
    EXPECT_EQ(message[0], 0);
}

TEST(WriteRequest, RefusedWhenByteCountOverflows) {
    XCModBusTransaction transaction = ReadTwelveFromStationOne();
    transaction.OnRtuData(HexBytes(kReadReply12).data(), 29);
    ASSERT_EQ(transaction.GetState(), TransactionState::Done);
    std::uint8_t values[2 * 200] = {};
    transaction.BuildWriteRequest(1, 0, 200, values);
    // An earlier Done must not pass for the outcome of a request that was never sent.
    EXPECT_EQ(transaction.GetState(), TransactionState::Idle);
    EXPECT_EQ(transaction.GetRequestLength(), 0);
}

// Judging must not depend on how the link cut the reply into pieces.
struct RtuCase {
    const char* name;
    XCModBusTransaction (*build)();
    const char* reply;
    TransactionState state;
    int exceptionCode;
};

void PrintTo(const RtuCase& c, std::ostream* os) {
    *os << c.name;
}

class RtuJudging : public testing::TestWithParam<RtuCase> {};

TEST_P(RtuJudging, EverySplitGivesSameOutcome) {
    const RtuCase& c = GetParam();
    Bytes reply = HexBytes(c.reply);
    for (const auto& split : AllSplits(static_cast<int>(reply.size()))) {
        SCOPED_TRACE(testing::Message() << split.size() << " pieces, first " << split[0]);
        XCModBusTransaction transaction = c.build();
        int offset = 0;
        for (int piece : split) {
            EXPECT_EQ(transaction.GetState(), TransactionState::Pending) << "judged early";
            transaction.OnRtuData(reply.data() + offset, piece);
            offset += piece;
        }
        EXPECT_EQ(transaction.GetState(), c.state);
        EXPECT_EQ(transaction.GetExceptionCode(), c.exceptionCode);
        EXPECT_EQ(transaction.GetReceivedLength(), static_cast<int>(reply.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RtuJudging,
    testing::Values(
        RtuCase{"ReadComplete", ReadTwelveFromStationOne, kReadReply12, TransactionState::Done, 0},
        RtuCase{"WriteEcho", WriteRegisterTwelve, "01 10 00 0C 00 01 C1 CA", TransactionState::Done,
                0},
        RtuCase{"ExceptionBeforeExpectedLength", ReadTwelveFromStationOne, "01 83 02 C0 F1",
                TransactionState::Exception, 2},
        RtuCase{"ExceptionToWrite", WriteRegisterTwelve, "01 83 06 C1 32",
                TransactionState::Exception, 6},
        RtuCase{"ExceptionFromOtherStation", ReadTwelveFromStationOne, "02 83 02 30 F1",
                TransactionState::Failed, 0},
        RtuCase{"ReplyFromOtherStation", ReadTwelveFromStationOne, kReadReply12OtherStation,
                TransactionState::Failed, 0},
        RtuCase{"DataByteChanged", ReadTwelveFromStationOne, kReadReply12CrcBroken,
                TransactionState::CrcError, 0},
        RtuCase{"CrcBytesSwapped", WriteRegisterTwelve, "01 10 00 0C 00 01 CA C1",
                TransactionState::CrcError, 0},
        RtuCase{"ShortReplyNeverJudged", ReadTwelveFromStationOne, "01 03 18 03",
                TransactionState::Pending, 0},
        RtuCase{"IncompleteNormalReply", ReadTwelveFromStationOne,
                "01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 35 46 57 68 79 8A "
                "FC",
                TransactionState::Pending, 0}),
    CaseName());

TEST(RtuJudging, RegistersReadHighByteFirst) {
    XCModBusTransaction transaction = ReadTwelveFromStationOne();
    transaction.OnRtuData(HexBytes(kReadReply12).data(), 29);
    ASSERT_EQ(transaction.GetState(), TransactionState::Done);
    EXPECT_EQ(transaction.GetRegisterValue(0), 0x0314);
    EXPECT_EQ(transaction.GetRegisterValue(1), 0x2536);
    EXPECT_EQ(transaction.GetRegisterValue(11), 0x798A);
    EXPECT_EQ(transaction.GetRegisterValue(12), 0);
    EXPECT_EQ(transaction.GetRegisterValue(-1), 0);
}

TEST(RtuJudging, RegistersOfInputRead) {
    XCModBusTransaction transaction;
    transaction.BuildReadRequest(1, 50, 2, 4);
    EXPECT_EQ(ToHex(RequestOf(transaction)).substr(0, 17), "01 04 00 32 00 02");
    transaction.OnRtuData(HexBytes("01 04 04 12 34 AB CD 01 97").data(), 9);
    ASSERT_EQ(transaction.GetState(), TransactionState::Done);
    EXPECT_EQ(transaction.GetRegisterValue(50), 0x1234);
    EXPECT_EQ(transaction.GetRegisterValue(51), 0xABCD);
}

TEST(RtuJudging, ExcessBytesInOnePieceAreNeverJudged) {
    XCModBusTransaction transaction = ReadTwelveFromStationOne();
    Bytes reply = HexBytes(kReadReply12);
    reply.push_back(0x00);
    transaction.OnRtuData(reply.data(), static_cast<int>(reply.size()));
    EXPECT_EQ(transaction.GetState(), TransactionState::Pending);
    EXPECT_EQ(transaction.GetRemaining(), 0);
}

TEST(RtuJudging, NoReplyWritesPastTheBuffer) {
    XCModBusTransaction transaction;
    transaction.BuildReadRequest(1, 0, 200, 3);  // expects 405 bytes, more than the buffer holds
    Bytes flood(300, 0x55);
    transaction.OnRtuData(flood.data(), 300);
    transaction.OnRtuData(flood.data(), 300);
    EXPECT_EQ(transaction.GetReceivedLength(), XCModBusTransaction::kBufferSize);
    EXPECT_EQ(transaction.GetState(), TransactionState::Pending);
    transaction.OnRtuData(flood.data(), -5);
    EXPECT_EQ(transaction.GetReceivedLength(), XCModBusTransaction::kBufferSize);
}

struct TcpCase {
    const char* name;
    std::uint16_t transactionId;
    const char* reply;
    int result;  // what the last piece returns
    TransactionState state;
    int exceptionCode;
    int receivedLength;
};

void PrintTo(const TcpCase& c, std::ostream* os) {
    *os << c.name;
}

class TcpJudging : public testing::TestWithParam<TcpCase> {};

TEST_P(TcpJudging, EverySplitGivesSameOutcome) {
    const TcpCase& c = GetParam();
    Bytes reply = HexBytes(c.reply);
    for (const auto& split : AllSplits(static_cast<int>(reply.size()))) {
        SCOPED_TRACE(testing::Message() << split.size() << " pieces, first " << split[0]);
        XCModBusTransaction transaction = ReadTwelveFromStationOne();
        int offset = 0;
        int result = 0;
        for (int piece : split) {
            EXPECT_EQ(result, 0) << "judged early";
            result = transaction.OnTcpData(c.transactionId, reply.data() + offset, piece);
            offset += piece;
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(transaction.GetState(), c.state);
        EXPECT_EQ(transaction.GetExceptionCode(), c.exceptionCode);
        EXPECT_EQ(transaction.GetReceivedLength(), c.receivedLength);
        if (c.state == TransactionState::Done) {
            EXPECT_EQ(transaction.GetRegisterValue(0), 0x0314);
            EXPECT_EQ(transaction.GetRegisterValue(11), 0x798A);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TcpJudging,
    testing::Values(
        TcpCase{"ReadComplete", 1, kTcpReply12, 0, TransactionState::Done, 0, 27},
        TcpCase{"OtherIdentifier", 2, kTcpReply12, 0, TransactionState::Pending, 0, 33},
        TcpCase{"LengthFieldTooLong", 1,
                "00 01 00 00 00 1C 01 03 18 03 14 25 36 47 58 69 7A 8B 9C AD BE CF E0 F1 02 13 24 "
                "35 46 57 68 79 8A",
                0, TransactionState::Pending, 0, 33},
        TcpCase{"OtherUnit", 1, "00 01 00 00 00 03 02 83 02", 0, TransactionState::Failed, 0, 9},
        TcpCase{"IllegalAddress", 1, "00 01 00 00 00 03 01 83 02", 0, TransactionState::Exception,
                2, 3},
        TcpCase{"Acknowledge", 1, "00 01 00 00 00 03 01 83 05", 5, TransactionState::Pending, 0, 0},
        TcpCase{"ServerBusy", 0x1234, "12 34 00 00 00 03 01 83 06", 6, TransactionState::Pending, 0,
                0},
        TcpCase{"ExceptionWithoutCode", 1, "00 01 00 00 00 02 01 83", 0,
                TransactionState::Exception, 0, 2}),
    CaseName());

TEST(TcpJudging, BusyReplyLeavesRoomForTheAnswerToTheResend) {
    XCModBusTransaction transaction = ReadTwelveFromStationOne();
    Bytes busy = HexBytes("00 01 00 00 00 03 01 83 06");
    ASSERT_EQ(transaction.OnTcpData(1, busy.data(), 9), 6);
    Bytes reply = HexBytes(kTcpReply12);
    reply[1] = 2;
    EXPECT_EQ(transaction.OnTcpData(2, reply.data(), static_cast<int>(reply.size())), 0);
    EXPECT_EQ(transaction.GetState(), TransactionState::Done);
    EXPECT_EQ(transaction.GetRegisterValue(1), 0x2536);
}

}  // namespace
