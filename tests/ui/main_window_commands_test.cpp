// The main window's editing commands: the dialogs they open, and how the window follows what
// the dialogs did to the device.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "comm/connection_rs.h"
#include "layout/control_ids.h"
#include "ui/main_window_device_fixture.h"
#include "ui/main_window_sim.h"

namespace {

int CountWrites(const std::vector<PeerRequest>& requests) {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(),
                                          [](const PeerRequest& r) { return r.function == 16; }));
}

struct CommandCase {
    const char* name;
    int button;
    int dialogTemplate;
    int closeWith;  // the dialog button the user clicks: 1 OK, 2 Cancel
    bool followedByRead;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const CommandCase& row) {
        return out << row.name;
    }
};

class MainWindowCommandTest : public MainWindowDeviceTest,
                              public ::testing::WithParamInterface<CommandCase> {};

TEST_P(MainWindowCommandTest, UntouchedDialogWritesNothingAndOnlyOkReadsAgain) {
    peer.Load(ThreeLineProfile());
    // The window's own port configuration matches the device's, as after a serial session.
    WriteScratchFile("default.xcfg",
                     "<config><comType>3</comType><stNum>1</stNum>"
                     "<portConfig>3</portConfig><ipAddress>127.0.0.1</ipAddress>"
                     "<ipSocket>" +
                         std::to_string(peer.Port()) + "</ipSocket></config>");
    HeadlessDialog* mainWindow = nullptr;
    std::size_t requestsInDialog = 0;
    bool timerRanDuringDialog = true;
    toolkit.OnNextModal(GetParam().dialogTemplate, [&](HeadlessDialog& d) {
        requestsInDialog = peer.Requests().size();
        timerRanDuringDialog = mainWindow->IsTimerRunning(CZELDlg::kRefreshTimerId);
        ASSERT_TRUE(d.Click(GetParam().closeWith));
    });
    bool timerRunsAfter = false;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        mainWindow = &d;
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
        RemoveScratchFile("default.xcfg");
        ASSERT_TRUE(d.Click(GetParam().button));
        timerRunsAfter = d.IsTimerRunning(CZELDlg::kRefreshTimerId);
    });

    ASSERT_NE(toolkit.LastDialog(GetParam().dialogTemplate), nullptr) << "the dialog never ran";
    EXPECT_TRUE(toolkit.Messages().empty());

    EXPECT_EQ(CountWrites(peer.Requests()), 0);
    EXPECT_FALSE(timerRanDuringDialog);
    EXPECT_TRUE(timerRunsAfter);
    const std::vector<PeerRequest> requests = peer.Requests();
    if (GetParam().followedByRead) {
        // A whole three-line read: identification first, the total's thresholds last.
        ASSERT_EQ(requests.size(), requestsInDialog + 9);
        EXPECT_EQ(requests[requestsInDialog].address, 0);
        EXPECT_EQ(requests.back().address, 932);
    } else {
        EXPECT_EQ(requests.size(), requestsInDialog);
    }
    // Only the RS-485 dialog's OK applies the settings again, which rewrites the file.
    const bool applied =
        GetParam().dialogTemplate == dialog_template::kRs485 && GetParam().closeWith == ctl::kOk;
    EXPECT_EQ(ScratchFileExists("default.xcfg"), applied);
    EXPECT_EQ(dialog.GetText(ctl::kThresholdL1), u"123.4");
    EXPECT_TRUE(dialog.IsEnabled(GetParam().button));
    // The station written back into its field counts as a change until the next Update.
    EXPECT_EQ(window->IsModified(), applied);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MainWindowCommandTest,
    ::testing::Values(
        CommandCase{"Rs485Ok", ctl::kRs485Button, dialog_template::kRs485, ctl::kOk, true},
        CommandCase{"Rs485Cancel", ctl::kRs485Button, dialog_template::kRs485, ctl::kCancel, false},
        CommandCase{"ElectricalOk", ctl::kElectricalButton, dialog_template::kElectrical, ctl::kOk,
                    true},
        CommandCase{"ElectricalCancel", ctl::kElectricalButton, dialog_template::kElectrical,
                    ctl::kCancel, false}),
    [](const auto& row) { return std::string(row.param.name); });

// A serial link to zel-sim on a pseudo-terminal that the ports folder names COM7.
class MainWindowSerialTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        const char* previous = getenv("XDG_CONFIG_HOME");
        if (previous != nullptr) {
            previousConfigHome = previous;
        }
        hadConfigHome = previous != nullptr;
        const std::string configHome = scratch + "/config";
        ASSERT_EQ(setenv("XDG_CONFIG_HOME", configHome.c_str(), 1), 0);
        std::filesystem::create_directories(configHome + "/Tarvolin/ZEL/ports");
        comAlias = configHome + "/Tarvolin/ZEL/ports/COM7";
        // COM8 names a device that is not there.
        std::filesystem::create_symlink(scratch + "/unplugged",
                                        configHome + "/Tarvolin/ZEL/ports/COM8");
    }

    void TearDown() override {
        if (hadConfigHome) {
            setenv("XDG_CONFIG_HOME", previousConfigHome.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        MainWindowTest::TearDown();
    }

    std::string comAlias;

private:
    bool hadConfigHome = false;
    std::string previousConfigHome;
};

TEST_F(MainWindowSerialTest, Rs485DialogMovesTheLinkWithTheDevice) {
    const std::string state = scratch + "/device.state";
    SimProcess sim({"--model", "three", "--station", "5", "--pty", comAlias, "--state", state}, 1);
    ASSERT_TRUE(sim.Started());
    // The simulated device starts at 9600, 8, E, 1 (code 0).
    WriteScratchFile("default.xcfg",
                     "<config><comType>0</comType><stNum>5</stNum><portConfig>0</portConfig>"
                     "<port>7</port></config>");
    toolkit.OnNextModal(dialog_template::kRs485, [](HeadlessDialog& d) {
        ASSERT_TRUE(d.UserSelect(ctl::kDlgPortConfig, 3));
        ASSERT_TRUE(d.UserType(ctl::kDlgStationNumber, u"12"));
        ASSERT_TRUE(d.Click(ctl::kOk));
    });
    toolkit.QueueMessageAnswer(DialogResult::Ok);
    std::u16string comTooltip;
    bool comBold = false;
    std::u16string unpluggedTooltip;
    bool unpluggedBold = true;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        comTooltip = d.ItemTooltip(ctl::kComPort, 6);
        comBold = d.ItemBold(ctl::kComPort, 6);
        unpluggedTooltip = d.ItemTooltip(ctl::kComPort, 7);
        unpluggedBold = d.ItemBold(ctl::kComPort, 7);
        ASSERT_TRUE(d.Click(ctl::kUpdateButton));
        ASSERT_EQ(d.GetText(ctl::kDeviceStationNumber), u"5");
        ASSERT_TRUE(d.Click(ctl::kRs485Button));
    });

    EXPECT_EQ(dialog.GetText(ctl::kStationNumber), u"12");
    EXPECT_EQ(dialog.Selection(ctl::kPortConfig), 3);
    EXPECT_EQ(dialog.GetText(ctl::kPortConfig), u"19200, 8, N, 2");
    const auto* serial = dynamic_cast<const XCConnectionRS*>(window->Channel());
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->GetComPort(), 7);
    EXPECT_EQ(serial->GetLineSettings().baudRate, 19200);
    EXPECT_EQ(serial->GetLineSettings().parity, 0);
    EXPECT_EQ(serial->GetLineSettings().stopBits, 2);
    // The read after the dialog reached the device at its new station.
    EXPECT_EQ(dialog.GetText(ctl::kDeviceStationNumber), u"12");
    EXPECT_EQ(dialog.GetText(ctl::kDevicePortConfig), u"19200, 8, N, 2");
    EXPECT_EQ(dialog.GetText(ctl::kStatusText), u"");
    EXPECT_EQ(window->Settings().stNum, 12);
    EXPECT_EQ(window->Settings().portConfig, 3);
    // The COM list tells where COM7 leads, and that it is there.
    EXPECT_TRUE(comBold);
    EXPECT_NE(Narrow(comTooltip).find("/dev/pts/"), std::string::npos) << Narrow(comTooltip);
    EXPECT_FALSE(unpluggedBold);
    EXPECT_NE(Narrow(unpluggedTooltip).find("ports/COM8"), std::string::npos)
        << Narrow(unpluggedTooltip);
}

}  // namespace
