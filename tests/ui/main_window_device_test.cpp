// The main window reading a device: what the display shows for each model, what a failed read
// leaves, and when the channel is rebuilt. The device is a Modbus TCP peer on 127.0.0.1.
#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "layout/control_ids.h"
#include "ui/logic/main_window_display.h"
#include "ui/main_window_device_fixture.h"
#include "ui/main_window_peer.h"

namespace {

// A field and its text, given as it stands or as a string-table number (the table opens only
// when the tests run).
struct ExpectedField {
    int id;
    std::u16string text;
    unsigned tableText = 0;
};
using Expected = std::vector<ExpectedField>;

struct ModelCase {
    const char* name;
    DeviceProfile profile;
    Expected fields;
    bool threeLine;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const ModelCase& row) {
        return out << row.name;
    }
};

class MainWindowModelTest : public MainWindowDeviceTest,
                            public ::testing::WithParamInterface<ModelCase> {};

TEST_P(MainWindowModelTest, UpdateShowsWhatTheDeviceHolds) {
    peer.Load(GetParam().profile);
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ChooseNetworkLink(d, ConnectionType::ModbusTcp, peer.Port(), GetParam().profile.station);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
    });

    EXPECT_EQ(dialog.GetText(ctl::kStatusText), u"");
    for (const ExpectedField& field : GetParam().fields) {
        const std::u16string text = field.tableText != 0 ? LoadText(field.tableText) : field.text;
        EXPECT_EQ(dialog.GetText(field.id), text) << "control " << field.id;
    }
    for (int id : kThreeLineOnlyControls) {
        EXPECT_EQ(dialog.IsVisible(id), GetParam().threeLine) << "control " << id;
        EXPECT_EQ(dialog.IsEnabled(id), GetParam().threeLine) << "control " << id;
    }
    EXPECT_TRUE(dialog.IsVisible(ctl::kRatioL1));
    EXPECT_TRUE(dialog.IsEnabled(ctl::kRs485Button));
    EXPECT_TRUE(dialog.IsEnabled(ctl::kElectricalButton));
    EXPECT_EQ(dialog.ControlIcon(ctl::kStatusIcon).resource, icon::kConnected);
    EXPECT_GE(dialog.BlockingRunCount(), 1);
    for (const PeerRequest& request : peer.Requests()) {
        EXPECT_EQ(request.unit, GetParam().profile.station);
    }
}

INSTANTIATE_TEST_SUITE_P(Models, MainWindowModelTest,
                         ::testing::Values(ModelCase{"OneLine",
                                                     OneLineProfile(),
                                                     {{ctl::kModel, u"ZEL One"},
                                                      {ctl::kHardwareVersion, u"1.2"},
                                                      {ctl::kSoftwareVersion, u"10.5"},
                                                      {ctl::kDeviceStationNumber, u"9"},
                                                      {ctl::kDevicePortConfig, u"9600, 8, N, 2"},
                                                      {ctl::kRatioL1, u"40"}},
                                                     false},
                                           ModelCase{"ThreeLine",
                                                     ThreeLineProfile(),
                                                     {{ctl::kModel, u"ZEL Three"},
                                                      {ctl::kHardwareVersion, u"1.0"},
                                                      {ctl::kSoftwareVersion, u"12.3"},
                                                      {ctl::kDeviceStationNumber, u"1"},
                                                      {ctl::kDevicePortConfig, u"19200, 8, N, 2"},
                                                      {ctl::kWorkingMode, u"L1(x3), L2(x3), L3"},
                                                      {ctl::kRatioL1, u"100"},
                                                      {ctl::kRatioL2, u"200"},
                                                      {ctl::kRatioL3, u"300"},
                                                      {ctl::kRatioTotal, u""},
                                                      {ctl::kMeasureL1, u"", 31},
                                                      {ctl::kMeasureL2, u"", 32},
                                                      {ctl::kMeasureTotal, u"", 33},
                                                      {ctl::kThresholdL1, u"123.4"},
                                                      {ctl::kThresholdL2, u"1234"},
                                                      {ctl::kThresholdL3, u"70000"},
                                                      {ctl::kThresholdTotal, u"1234"},
                                                      {ctl::kDelayL1, u"5"},
                                                      {ctl::kDelayL2, u"6"},
                                                      {ctl::kDelayL3, u"7"},
                                                      {ctl::kDelayTotal, u"8"}},
                                                     true},
                                           ModelCase{"CodesBeyondTheirLists",
                                                     [] {
                                                         DeviceProfile profile = ThreeLineProfile();
                                                         profile.portConfig = 6;
                                                         profile.workingMode = 4;
                                                         profile.measure[0] = 18;
                                                         profile.measure[3] = 14;
                                                         return profile;
                                                     }(),
                                                     {{ctl::kDevicePortConfig, u""},
                                                      {ctl::kWorkingMode, u""},
                                                      {ctl::kMeasureL1, u"", 57},
                                                      {ctl::kMeasureTotal, u"", 57},
                                                      {ctl::kThresholdL1, u"1234"}},
                                                     true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(MainWindowDeviceTest, DeviceReportingStationZeroKeepsTheDisplayAndStatus) {
    peer.Load(ThreeLineProfile());
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ChooseNetworkLink(d, ConnectionType::ModbusTcp, peer.Port(), 1);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
        DeviceProfile stationless = ThreeLineProfile();
        stationless.station = 0;
        stationless.swVersion = 99;
        peer.Load(stationless);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
    });
    ASSERT_EQ(toolkit.Messages().size(), 1u);
    EXPECT_EQ(toolkit.Messages()[0].text, LoadText(34));
    EXPECT_EQ(dialog.GetText(ctl::kStatusText), LoadText(61));
    EXPECT_EQ(dialog.GetText(ctl::kSoftwareVersion), u"12.3");
    EXPECT_EQ(dialog.GetText(ctl::kThresholdL1), u"123.4");
    EXPECT_TRUE(dialog.IsEnabled(ctl::kRs485Button));
    EXPECT_EQ(dialog.ControlIcon(ctl::kStatusIcon).resource, icon::kConnected);
}

struct FailureCase {
    const char* name;
    bool stopPeer;  // else the peer answers every request with an exception
    unsigned status;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const FailureCase& row) {
        return out << row.name;
    }
};

class MainWindowFailedReadTest : public MainWindowDeviceTest,
                                 public ::testing::WithParamInterface<FailureCase> {};

TEST_P(MainWindowFailedReadTest, ClearsTheDisplayAfterAGoodRead) {
    peer.Load(OneLineProfile());
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ChooseNetworkLink(d, ConnectionType::ModbusTcp, peer.Port(), 9);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
        ASSERT_EQ(d.GetText(ctl::kModel), u"ZEL One");
        if (GetParam().stopPeer) {
            peer.Stop();
        } else {
            peer.SetFailing(true);
        }
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
    });
    EXPECT_EQ(dialog.GetText(ctl::kStatusText), LoadText(GetParam().status));
    for (const DisplayField& field : EmptyDisplayFields()) {
        EXPECT_EQ(dialog.GetText(field.id), field.id == ctl::kRatioTotal ? u"" : u"-")
            << "control " << field.id;
    }
    EXPECT_FALSE(dialog.IsEnabled(ctl::kRs485Button));
    EXPECT_FALSE(dialog.IsEnabled(ctl::kElectricalButton));
    EXPECT_EQ(dialog.ControlIcon(ctl::kStatusIcon).resource, icon::kNotConnected);
    // What the one-line model lacks stays hidden until another model is read.
    EXPECT_FALSE(dialog.IsVisible(ctl::kColumnL2));
}

INSTANTIATE_TEST_SUITE_P(Failures, MainWindowFailedReadTest,
                         ::testing::Values(FailureCase{"PeerGone", true, 3},
                                           FailureCase{"ExceptionReply", false, 4}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(MainWindowDeviceTest, ReadOfAnotherModelShowsTheHiddenPartAgain) {
    peer.Load(OneLineProfile());
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ChooseNetworkLink(d, ConnectionType::ModbusTcp, peer.Port(), 9);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
        ASSERT_FALSE(d.IsVisible(ctl::kWorkingMode));
        DeviceProfile threeLine = ThreeLineProfile();
        threeLine.station = 9;
        peer.Load(threeLine);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
    });
    for (int id : kThreeLineOnlyControls) {
        EXPECT_TRUE(dialog.IsVisible(id)) << "control " << id;
    }
    EXPECT_EQ(dialog.GetText(ctl::kModel), u"ZEL Three");
}

// A change the user makes to a connection control, to the value it already had, so that the
// read after it still reaches the peer. The socket field gets the peer's port again.
struct ChangeCase {
    const char* name;
    int control;
    bool isList;
    std::u16string typed;
    int item;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const ChangeCase& row) {
        return out << row.name;
    }
};

class MainWindowChangeTest : public MainWindowDeviceTest,
                             public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(MainWindowChangeTest, AnyChangeDisablesEditingUntilUpdateAppliesIt) {
    peer.Load(ThreeLineProfile());
    bool enabledAfterChange = true;
    bool storedBeforeUpdate = true;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ChooseNetworkLink(d, ConnectionType::ModbusTcp, peer.Port(), 1);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
        ASSERT_TRUE(d.IsEnabled(ctl::kRs485Button));
        RemoveScratchFile("default.xcfg");
        if (GetParam().isList) {
            ASSERT_TRUE(d.UserSelect(GetParam().control, GetParam().item));
        } else {
            const std::u16string typed = GetParam().control == ctl::kSocket
                                             ? Wide(std::to_string(peer.Port()))
                                             : GetParam().typed;
            ASSERT_TRUE(d.UserType(GetParam().control, typed));
        }
        enabledAfterChange = d.IsEnabled(ctl::kRs485Button) || d.IsEnabled(ctl::kElectricalButton);
        storedBeforeUpdate = ScratchFileExists("default.xcfg");
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
    });
    EXPECT_FALSE(enabledAfterChange);
    EXPECT_FALSE(storedBeforeUpdate);
    EXPECT_FALSE(window->IsModified());
    EXPECT_TRUE(ScratchFileExists("default.xcfg"));
    EXPECT_TRUE(dialog.IsEnabled(ctl::kRs485Button));
    EXPECT_EQ(dialog.GetText(ctl::kStatusText), u"");
}

INSTANTIATE_TEST_SUITE_P(
    Changes, MainWindowChangeTest,
    ::testing::Values(ChangeCase{"LinkType", ctl::kConnectionType, true, u"", 3},
                      ChangeCase{"Station", ctl::kStationNumber, false, u"1", 0},
                      ChangeCase{"Address", ctl::kAddress, false, u"127.0.0.1", 0},
                      ChangeCase{"Socket", ctl::kSocket, false, u"", 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(MainWindowDeviceTest, UpdateWithoutChangeReadsAgainOnTheSameChannel) {
    peer.Load(ThreeLineProfile());
    int tracedFrames = 0;
    std::size_t requestsBefore = 0;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ChooseNetworkLink(d, ConnectionType::ModbusTcp, peer.Port(), 1);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
        RemoveScratchFile("default.xcfg");
        // A rebuilt channel would not carry this trace.
        window->Channel()->SetTrace([&](TraceDirection direction, const std::uint8_t*, int) {
            tracedFrames += direction == TraceDirection::Sent ? 1 : 0;
        });
        requestsBefore = peer.Requests().size();
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
    });
    EXPECT_EQ(tracedFrames, 9);
    EXPECT_EQ(peer.Requests().size(), requestsBefore + 9);
    EXPECT_FALSE(ScratchFileExists("default.xcfg"));
    EXPECT_EQ(dialog.GetText(ctl::kModel), u"ZEL Three");
}

}  // namespace
