// The device operations against a scripted analyser. Expected request frames were computed
// independently (python3, CRC-16/MODBUS bit by bit) or come from the device's documentation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "app/string_table.h"
#include "fake_device_channel.h"
#include "protocol/device_operations.h"
#include "protocol/device_text.h"

namespace {

// A three-line analyser at station 1 with distinct values in every register the tool reads.
std::map<int, std::uint16_t> ThreeLineRegisters() {
    return {
        {0, 1},    {1, 3},     {4, 0x0002},   {5, 0x1234}, {7, 12},  {8, 123},      {12, 2},
        {50, 100}, {250, 200}, {450, 300},    {632, 1},    {633, 0}, {634, 10},     {639, 5},
        {732, 2},  {733, 1},   {734, 0x1170}, {739, 6},    {832, 3}, {833, 0xFFFF}, {834, 0xFFFF},
        {839, 7},  {932, 13},  {933, 0},      {934, 5},    {939, 8},
    };
}

class DeviceOperations : public ::testing::Test {
protected:
    void SetUp() override { channel.registers = ThreeLineRegisters(); }

    FakeDeviceChannel channel;
    DeviceInfo info;
};

TEST(DeviceInfoRecord, NumericFieldsStartAtZeroWhateverTheMemoryHeld) {
    alignas(DeviceInfo) unsigned char storage[sizeof(DeviceInfo)];
    std::memset(storage, 0xAB, sizeof storage);
    auto* fresh = new (storage) DeviceInfo;
    EXPECT_EQ(fresh->model, 0.0);
    EXPECT_EQ(fresh->stationNumber, 0);
    EXPECT_EQ(fresh->portConfig, 0);
    EXPECT_EQ(fresh->modelCode, 0);
    EXPECT_EQ(fresh->workingMode, 0);
    for (int i = 0; i < kRatioCount; ++i) {
        EXPECT_EQ(fresh->ratio[i], 0) << i;
    }
    for (int i = 0; i < kThresholdLineCount; ++i) {
        EXPECT_EQ(fresh->measure[i], 0) << i;
        EXPECT_EQ(fresh->threshold[i], 0) << i;
        EXPECT_EQ(fresh->delay[i], 0) << i;
    }
    EXPECT_EQ(fresh->portConfigTexts[5], u"19200, 8, N, 1");
    EXPECT_EQ(fresh->workingModeTexts[3], u"L1(x3), L2(x3), L3(x3)");
    fresh->~DeviceInfo();
}

TEST_F(DeviceOperations, ThreeLineReadSendsNineRequestsAndStoresEveryValue) {
    ASSERT_EQ(ReadDevice(info, 1, &channel), kDeviceOk);
    const std::vector<Frame> expected = {
        {0x01, 0x03, 0x00, 0x00, 0x00, 0x0C, 0x45, 0xCF},
        {0x01, 0x03, 0x00, 0x0C, 0x00, 0x01, 0x44, 0x09},
        {0x01, 0x03, 0x00, 0x32, 0x00, 0x01, 0x25, 0xC5},
        {0x01, 0x03, 0x00, 0xFA, 0x00, 0x01, 0xA4, 0x3B},
        {0x01, 0x03, 0x01, 0xC2, 0x00, 0x01, 0x24, 0x0A},
        {0x01, 0x04, 0x02, 0x78, 0x00, 0x08, 0x70, 0x6D},
        {0x01, 0x04, 0x02, 0xDC, 0x00, 0x08, 0x31, 0x8E},
        {0x01, 0x04, 0x03, 0x40, 0x00, 0x08, 0xF0, 0x5C},
        {0x01, 0x04, 0x03, 0xA4, 0x00, 0x08, 0xB0, 0x6B},
    };
    EXPECT_EQ(channel.requests, expected);
    EXPECT_EQ(channel.extraTimeout, 1000);
    EXPECT_EQ(channel.openCalls, 1);
    EXPECT_EQ(channel.closeCalls, 1);

    EXPECT_EQ(info.stationNumber, 1);
    EXPECT_EQ(info.portConfig, 3);
    EXPECT_EQ(info.model, 0x21234);
    EXPECT_EQ(info.modelCode, 0x21234);
    EXPECT_EQ(info.hwVersion, u"1.2");
    EXPECT_EQ(info.swVersion, u"12.3");
    EXPECT_EQ(info.workingMode, 2);
    EXPECT_EQ(info.ratio, (std::array<int, 3>{100, 200, 300}));
    EXPECT_EQ(info.measure, (std::array<int, 4>{1, 2, 3, 13}));
    EXPECT_EQ(info.threshold, (std::array<int, 4>{10, 70000, -1, 5}));
    EXPECT_EQ(info.delay, (std::array<int, 4>{5, 6, 7, 8}));
}

TEST_F(DeviceOperations, OneLineModelSendsExactlyTwoRequestsAndLeavesTheRestUntouched) {
    channel.registers[0] = 5;
    channel.registers[4] = 1;
    channel.registers[5] = 1831;
    info.workingMode = 9;
    info.measure = {9, 9, 9, 9};
    info.threshold = {9, 9, 9, 9};
    info.delay = {9, 9, 9, 9};
    info.ratio = {9, 9, 9};

    ASSERT_EQ(ReadDevice(info, 5, &channel), kDeviceOk);
    const std::vector<Frame> expected = {
        {0x05, 0x03, 0x00, 0x00, 0x00, 0x0C, 0x44, 0x4B},
        {0x05, 0x03, 0x00, 0x32, 0x00, 0x01, 0x24, 0x41},
    };
    EXPECT_EQ(channel.requests, expected);
    EXPECT_EQ(info.modelCode, 67367);
    EXPECT_EQ(info.ratio, (std::array<int, 3>{100, 9, 9}));
    EXPECT_EQ(info.workingMode, 9);
    EXPECT_EQ(info.measure, (std::array<int, 4>{9, 9, 9, 9}));
    EXPECT_EQ(info.threshold, (std::array<int, 4>{9, 9, 9, 9}));
    EXPECT_EQ(info.delay, (std::array<int, 4>{9, 9, 9, 9}));
}

TEST_F(DeviceOperations, TimeOutOnTheL2RatioFailsAfterFourRequestsKeepingL1) {
    channel.silentRequest = 3;
    EXPECT_EQ(ReadDevice(info, 1, &channel), kDeviceRequestFailed);
    EXPECT_EQ(channel.requests.size(), 4u);
    EXPECT_EQ(info.ratio[0], 100);
    EXPECT_EQ(info.ratio[1], 0);
    EXPECT_EQ(channel.closeCalls, 1);
}

TEST_F(DeviceOperations, AnyFailingReadStopsTheOperationAtOnce) {
    for (int silent = 0; silent < 9; ++silent) {
        FakeDeviceChannel failing;
        failing.registers = ThreeLineRegisters();
        failing.silentRequest = silent;
        DeviceInfo record;
        EXPECT_EQ(ReadDevice(record, 1, &failing), kDeviceRequestFailed) << silent;
        EXPECT_EQ(static_cast<int>(failing.requests.size()), silent + 1) << silent;
        EXPECT_EQ(failing.closeCalls, 1) << silent;
    }
}

struct StationCase {
    const char* name;
    std::uint16_t reported;
    int result;
    size_t requests;
};

class ReportedStation : public DeviceOperations,
                        public ::testing::WithParamInterface<StationCase> {};

TEST_P(ReportedStation, OutsideOneTo255EndsAfterTheIdentification) {
    channel.registers[0] = GetParam().reported;
    EXPECT_EQ(ReadDevice(info, 1, &channel), GetParam().result);
    EXPECT_EQ(channel.requests.size(), GetParam().requests);
    EXPECT_EQ(info.hwVersion, u"1.2");
    EXPECT_EQ(channel.closeCalls, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportedStation,
                         ::testing::Values(StationCase{"Zero", 0, kDeviceBadStation, 1},
                                           StationCase{"OneAbove255", 256, kDeviceBadStation, 1},
                                           StationCase{"Lowest", 1, kDeviceOk, 9},
                                           StationCase{"Highest", 255, kDeviceOk, 9}),
                         [](const auto& row) { return std::string(row.param.name); });

struct VersionCase {
    const char* name;
    std::uint16_t registerValue;
    const char16_t* text;
};

class VersionRegister : public DeviceOperations,
                        public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionRegister, ShowsTenthsWithOneDecimal) {
    channel.registers[7] = GetParam().registerValue;
    channel.registers[8] = GetParam().registerValue;
    ASSERT_EQ(ReadDevice(info, 1, &channel), kDeviceOk);
    EXPECT_EQ(info.hwVersion, GetParam().text);
    EXPECT_EQ(info.swVersion, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionRegister,
                         ::testing::Values(VersionCase{"Ten", 10, u"1.0"},
                                           VersionCase{"OneTwentyThree", 123, u"12.3"},
                                           VersionCase{"Zero", 0, u"0.0"},
                                           VersionCase{"Largest", 65535, u"6553.5"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(DeviceOperations, ModelCodeAboveIntRangeIsTheThreeLineModel) {
    channel.registers[4] = 0xFFFF;
    channel.registers[5] = 0xFFFF;
    ASSERT_EQ(ReadDevice(info, 1, &channel), kDeviceOk);
    EXPECT_EQ(info.model, 4294967295.0);
    EXPECT_EQ(channel.requests.size(), 9u);
}

TEST_F(DeviceOperations, NoChannelOrFailedOpenSendsNothing) {
    const ElectricalParams params = ElectricalParamsOf(info);
    EXPECT_EQ(ReadDevice(info, 1, nullptr), kDeviceNoLink);
    EXPECT_EQ(WriteRS485Params(1, nullptr, 2, 0), kDeviceNoLink);
    EXPECT_EQ(WriteElectricalParams(1, nullptr, params), kDeviceNoLink);

    channel.openSucceeds = false;
    EXPECT_EQ(ReadDevice(info, 1, &channel), kDeviceNoLink);
    EXPECT_EQ(WriteRS485Params(1, &channel, 2, 0), kDeviceNoLink);
    EXPECT_EQ(WriteElectricalParams(1, &channel, params), kDeviceNoLink);
    EXPECT_TRUE(channel.requests.empty());
    EXPECT_EQ(channel.openCalls, 3);
    EXPECT_EQ(channel.closeCalls, 0);
}

TEST_F(DeviceOperations, RS485WriteIsOneRequestToTheCurrentStation) {
    channel.registers[0] = 7;
    ASSERT_EQ(WriteRS485Params(7, &channel, 12, 3), kDeviceOk);
    const std::vector<Frame> expected = {
        {0x07, 0x10, 0x00, 0x00, 0x00, 0x02, 0x04, 0x00, 0x0C, 0x00, 0x03, 0x6D, 0x25},
    };
    EXPECT_EQ(channel.requests, expected);
    EXPECT_EQ(channel.closeCalls, 1);
}

TEST_F(DeviceOperations, RS485WriteWithoutReplyFails) {
    channel.silentRequest = 0;
    EXPECT_EQ(WriteRS485Params(7, &channel, 12, 3), kDeviceRequestFailed);
    EXPECT_EQ(channel.closeCalls, 1);
}

ElectricalParams ThreeLineParams() {
    return {0x21234, 2,               // model, working mode
            100,     70000, 300,      // ratios: L2 keeps its low 16 bits
            1,       2,     3,   4,   // measures
            10,      70000, -1,  5,   // thresholds
            5,       6,     7,   8};  // delays
}

TEST_F(DeviceOperations, ThreeLineElectricalWriteSendsTwelveRequestsInOrder) {
    ASSERT_EQ(WriteElectricalParams(1, &channel, ThreeLineParams()), kDeviceOk);
    const std::vector<Frame> expected = {
        {0x01, 0x10, 0x00, 0x0C, 0x00, 0x01, 0x02, 0x00, 0x02, 0x27, 0x5D},
        {0x01, 0x10, 0x00, 0x32, 0x00, 0x01, 0x02, 0x00, 0x64, 0xA3, 0xA9},
        {0x01, 0x10, 0x00, 0xFA, 0x00, 0x01, 0x02, 0x11, 0x70, 0xBF, 0xBE},
        {0x01, 0x10, 0x01, 0xC2, 0x00, 0x01, 0x02, 0x01, 0x2C, 0xA6, 0x3F},
        {0x01, 0x10, 0x02, 0x78, 0x00, 0x03, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0A, 0xD3, 0x3E},
        {0x01, 0x10, 0x02, 0xDC, 0x00, 0x03, 0x06, 0x00, 0x02, 0x00, 0x01, 0x11, 0x70, 0x0C, 0x1A},
        {0x01, 0x10, 0x03, 0x40, 0x00, 0x03, 0x06, 0x00, 0x03, 0xFF, 0xFF, 0xFF, 0xFF, 0xAE, 0x84},
        {0x01, 0x10, 0x03, 0xA4, 0x00, 0x03, 0x06, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x9F, 0x50},
        {0x01, 0x10, 0x02, 0x7F, 0x00, 0x01, 0x02, 0x00, 0x05, 0x4E, 0x5C},
        {0x01, 0x10, 0x02, 0xE3, 0x00, 0x01, 0x02, 0x00, 0x06, 0x13, 0xC1},
        {0x01, 0x10, 0x03, 0x47, 0x00, 0x01, 0x02, 0x00, 0x07, 0xDB, 0xE5},
        {0x01, 0x10, 0x03, 0xAB, 0x00, 0x01, 0x02, 0x00, 0x08, 0x8D, 0x4D},
    };
    ASSERT_EQ(channel.requests.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(channel.requests[i], expected[i]) << "request " << i;
    }
    EXPECT_EQ(channel.closeCalls, 1);
}

TEST_F(DeviceOperations, OneLineElectricalWriteTouchesOnlyTheL1Ratio) {
    ElectricalParams params = ThreeLineParams();
    params[kParamModelCode] = 67367;
    params[kParamRatio] = 70000;
    ASSERT_EQ(WriteElectricalParams(1, &channel, params), kDeviceOk);
    const std::vector<Frame> expected = {
        {0x01, 0x10, 0x00, 0x32, 0x00, 0x01, 0x02, 0x11, 0x70, 0xAF, 0xF6},
    };
    EXPECT_EQ(channel.requests, expected);
}

TEST_F(DeviceOperations, FailingElectricalWriteStopsThereAndCloses) {
    channel.silentRequest = 5;
    EXPECT_EQ(WriteElectricalParams(1, &channel, ThreeLineParams()), kDeviceRequestFailed);
    EXPECT_EQ(channel.requests.size(), 6u);
    EXPECT_EQ(channel.closeCalls, 1);
    // The writes before the failing one reached the device.
    EXPECT_EQ(channel.registers[632], 1);
    EXPECT_EQ(channel.registers[732], 2);
}

TEST(MeasureTexts, CodesIndexTheirListAndUnknownCodesGetTheUnknownText) {
    DeviceInfo info;
    for (int i = 0; i < kLineMeasureCount; ++i) {
        info.lineMeasureTexts[i] = u"line " + std::u16string(1, static_cast<char16_t>(u'a' + i));
    }
    for (int i = 0; i < kTotalMeasureCount; ++i) {
        info.totalMeasureTexts[i] = u"total " + std::u16string(1, static_cast<char16_t>(u'a' + i));
    }
    EXPECT_EQ(LineMeasureText(info, 1), u"line a");
    EXPECT_EQ(LineMeasureText(info, 17), u"line q");
    EXPECT_EQ(TotalMeasureText(info, 1), u"total a");
    EXPECT_EQ(TotalMeasureText(info, 13), u"total m");
    for (int code : {0, 18, -1}) {
        EXPECT_EQ(LineMeasureText(info, code), DeviceText(57)) << code;
    }
    for (int code : {0, 14}) {
        EXPECT_EQ(TotalMeasureText(info, code), DeviceText(57)) << code;
    }
}

}  // namespace

namespace {

// With the delivered English table open, the lists carry its texts: the same measure has
// different codes on a line and on the total.
TEST(MeasureTexts, ComeFromTheOpenStringTable) {
    const char* dir = std::getenv("ZEL_PROGRAM_DIR");
    ASSERT_NE(dir, nullptr);
    ASSERT_TRUE(StringTable().Open(std::string(dir) + "/ZELSoftware.en.stc"));
    const DeviceInfo info;
    StringTable().Close();
    EXPECT_EQ(LineMeasureText(info, 1), u"Voltage");
    EXPECT_EQ(TotalMeasureText(info, 1), u"Active power");
    EXPECT_EQ(LineMeasureText(info, 3), u"Active power");
    EXPECT_EQ(info.totalMeasureTexts[12], info.lineMeasureTexts[16]);
    // Closed again: the unknown-measure text reads as empty, as with no table at all.
    EXPECT_EQ(LineMeasureText(info, 18), u"");
}

}  // namespace
