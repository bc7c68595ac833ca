// The simulated analyser's answers, byte for byte. Frames computed independently (python3,
// CRC-16/MODBUS bit by bit).
#include <gtest/gtest.h>

#include "sim_framing.h"
#include "sim_responder.h"

namespace {

struct RtuCase {
    const char* name;
    const char* model;
    Bytes request;
    Bytes reply;  // empty: the device stays silent
};

class SimRtu : public ::testing::TestWithParam<RtuCase> {};

TEST_P(SimRtu, AnswersAsTheDeviceWould) {
    SimDevice device(SimDeviceState::ForModel(std::string(GetParam().model) == "one"));
    SimResponder responder(device, {});
    const Bytes& request = GetParam().request;
    const auto pieces = responder.AnswerRtu(request.data(), static_cast<int>(request.size()));
    Bytes reply;
    for (const auto& piece : pieces) {
        reply.insert(reply.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(reply, GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimRtu,
    ::testing::Values(
        RtuCase{"ModelCode",
                "three",
                {0x01, 0x03, 0x00, 0x04, 0x00, 0x02, 0x85, 0xCA},
                {0x01, 0x03, 0x04, 0x00, 0x01, 0x07, 0x28, 0xA9, 0xDD}},
        RtuCase{"UnknownFunctionIsException1",
                "three",
                {0x01, 0x05, 0x00, 0x00, 0xFF, 0x00, 0x8C, 0x3A},
                {0x01, 0x85, 0x01, 0x83, 0x50}},
        RtuCase{"UnknownRegisterIsException2",
                "three",
                {0x01, 0x03, 0x00, 0x0D, 0x00, 0x01, 0x15, 0xC9},
                {0x01, 0x83, 0x02, 0xC0, 0xF1}},
        RtuCase{"OneLineModelHasNoWorkingMode",
                "one",
                {0x01, 0x03, 0x00, 0x0C, 0x00, 0x01, 0x44, 0x09},
                {0x01, 0x83, 0x02, 0xC0, 0xF1}},
        RtuCase{"StationZeroIsRefusedWithException3",
                "three",
                {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x03, 0xB3, 0xAE},
                {0x01, 0x90, 0x03, 0x0C, 0x01}},
        RtuCase{"BadCrcGetsNoReply", "three", {0x01, 0x03, 0x00, 0x04, 0x00, 0x02, 0x85, 0xCB}, {}},
        RtuCase{"OtherStationGetsNoReply",
                "three",
                {0x05, 0x03, 0x00, 0x00, 0x00, 0x0C, 0x44, 0x4B},
                {}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SimDeviceWrites, BroadcastIsAppliedSilentlyAndARefusedWriteChangesNothing) {
    SimDevice device(SimDeviceState::ForModel(false));
    SimResponder responder(device, {});
    const Bytes broadcast = {0x00, 0x10, 0x00, 0x0C, 0x00, 0x01, 0x02, 0x00, 0x02, 0x2A, 0xCD};
    EXPECT_TRUE(responder.AnswerRtu(broadcast.data(), 11).empty());
    EXPECT_EQ(device.State().workingMode, 2);

    const Bytes refused = {0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04,
                           0x00, 0x00, 0x00, 0x03, 0xB3, 0xAE};
    const unsigned revision = device.Revision();
    responder.AnswerRtu(refused.data(), 13);
    EXPECT_EQ(device.State().station, 1);
    EXPECT_EQ(device.State().portConfig, 0);
    EXPECT_EQ(device.Revision(), revision);
}

TEST(SimModbusTcp, BusyOnceAnswersSixThenTheValues) {
    SimDevice device(SimDeviceState::ForModel(false));
    SimFault busy;
    ASSERT_TRUE(ParseFault("busy-once", busy));
    SimResponder responder(device, busy);
    const Bytes request = {0x00, 0x07, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x0C, 0x00, 0x01};
    bool first = true;
    const auto refused = responder.AnswerModbusTcp(request.data(), 12, first);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0], (Bytes{0x00, 0x07, 0x00, 0x00, 0x00, 0x03, 0x01, 0x83, 0x06}));
    const auto answered = responder.AnswerModbusTcp(request.data(), 12, first);
    ASSERT_EQ(answered.size(), 1u);
    EXPECT_EQ(answered[0],
              (Bytes{0x00, 0x07, 0x00, 0x00, 0x00, 0x05, 0x01, 0x03, 0x02, 0x00, 0x00}));
}

TEST(SimFaults, OnlyTheListedKindsParse) {
    SimFault fault;
    for (const char* good : {"silent", "exception:1", "exception:255", "bad-crc", "wrong-station",
                             "split", "busy-once", "silent-after:0", "silent-after:12"}) {
        EXPECT_TRUE(ParseFault(good, fault)) << good;
    }
    for (const char* bad : {"", "exception:", "exception:0", "exception:256", "exception:x",
                            "silent-after:-1", "silent-after:", "Silent", "split "}) {
        EXPECT_FALSE(ParseFault(bad, fault)) << bad;
    }
}

TEST(SimFraming, RequestLengthIsKnownOnceItsBytesSayIt) {
    EXPECT_FALSE(RtuRequestLength({0x01}));
    EXPECT_EQ(RtuRequestLength({0x01, 0x03}), 8);
    EXPECT_FALSE(RtuRequestLength({0x01, 0x10, 0x00, 0x00, 0x00, 0x02}));
    EXPECT_EQ(RtuRequestLength({0x01, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04}), 13);
    // Another function is taken whole once its bytes end in a good CRC.
    EXPECT_FALSE(RtuRequestLength({0x01, 0x05, 0x00, 0x00, 0xFF}));
    EXPECT_EQ(RtuRequestLength({0x01, 0x05, 0x00, 0x00, 0xFF, 0x00, 0x8C, 0x3A}), 8);
    EXPECT_EQ(ModbusTcpMessageLength({0x00, 0x01, 0x00, 0x00, 0x00, 0x06}), 12);
}

}  // namespace
