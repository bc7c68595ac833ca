// The RS-485 parameters dialog driven as a user would, against a recording Modbus TCP peer and
// against zel-sim.
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "comm/connection_gmbtcp.h"
#include "config/settings.h"
#include "layout/control_ids.h"
#include "ui/dialogs_fixture.h"
#include "ui/headless/headless_toolkit.h"
#include "ui/logic/rs485_dlg.h"

namespace {

using ::PrintTo;  // names table rows in test names

constexpr int kTemplate = dialog_template::kRs485;

class Rs485DialogTest : public DeviceDialogTest {
protected:
    void SetUp() override {
        DeviceDialogTest::SetUp();
        settings_.portConfig = 3;
        settings_.stNum = 7;
    }

    // Runs the dialog with `script` as the user and returns its result.
    DialogResult Run(HeadlessToolkit::Script script, XCConnection* channel) {
        toolkit_.OnNextModal(kTemplate, std::move(script));
        ZELRS485Dlg dialog(toolkit_, settings_, channel);
        return dialog.DoModal();
    }
    DialogResult Run(HeadlessToolkit::Script script) { return Run(script, channel_.get()); }

    ConnectionSettings settings_;
};

TEST_F(Rs485DialogTest, OpensWithTextsIconsAndTheWindowsValues) {
    settings_.portConfig = 2;  // the dialog shows the window's values, not the device's
    const DialogResult result = Run([](HeadlessDialog&) {});
    EXPECT_EQ(result, DialogResult::Cancel);
    const HeadlessDialog* dialog = toolkit_.LastDialog(kTemplate);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetTitle(), LoadText(20));
    EXPECT_EQ(dialog->GetText(ctl::kOk), LoadText(22));
    EXPECT_EQ(dialog->GetText(ctl::kCancel), LoadText(23));
    EXPECT_EQ(dialog->ButtonIcon(ctl::kOk).resource, icon::kOk);
    EXPECT_EQ(dialog->ButtonIcon(ctl::kCancel).resource, icon::kCancel);
    EXPECT_EQ(dialog->WindowIcon().resource, icon::kApplication);
    EXPECT_EQ(dialog->GetText(ctl::kDlgPortConfigLabel), LoadText(6));
    EXPECT_EQ(dialog->GetText(ctl::kDlgStationNumberLabel), LoadText(8));
    EXPECT_EQ(
        dialog->Items(ctl::kDlgPortConfig),
        (std::vector<std::u16string>{u"9600, 8, E, 1", u"19200, 8, E, 1", u"9600, 8, N, 2",
                                     u"19200, 8, N, 2", u"9600, 8, N, 1", u"19200, 8, N, 1"}));
    EXPECT_EQ(dialog->Selection(ctl::kDlgPortConfig), 2);
    EXPECT_EQ(dialog->GetText(ctl::kDlgStationNumber), u"7");
    EXPECT_GT(dialog->MoveCount(ctl::kDlgPortConfig), 0);  // the layout ran
    EXPECT_EQ(dialog->BlockingRunCount(), 1);              // the read
    EXPECT_TRUE(peer_.Writes().empty());
}

TEST_F(Rs485DialogTest, TakesItsIconFromTheSettings) {
    WriteIconFile("meter.ico");
    WriteSettings("ZEL Software", "meter.ico");
    Run([](HeadlessDialog& d) { EXPECT_EQ(d.WindowIcon().file, "meter.ico"); });
    EXPECT_EQ(toolkit_.ModalRuns(), std::vector<int>{kTemplate});
}

TEST_F(Rs485DialogTest, UnchangedValuesCloseWithOkWithoutQuestionOrWrite) {
    EXPECT_EQ(Run([](HeadlessDialog& d) { d.Click(ctl::kOk); }), DialogResult::Ok);
    EXPECT_TRUE(toolkit_.Messages().empty());
    EXPECT_TRUE(peer_.Writes().empty());
    EXPECT_EQ(settings_.portConfig, 3);
    EXPECT_EQ(settings_.stNum, 7);
}

// Station numbers as the user leaves them in the field; the port configuration stays 3.
struct StationCase {
    const char* name;
    std::u16string typed;
    int written;  // 0: refused with text 26
};

class Rs485StationTest : public Rs485DialogTest,
                         public ::testing::WithParamInterface<StationCase> {};

TEST_P(Rs485StationTest, AcceptsOneTo255AndRefusesEverythingElse) {
    const StationCase& c = GetParam();
    int focusAfterOk = 0;
    bool endedByOk = false;
    const DialogResult result = Run([&](HeadlessDialog& d) {
        // Text a filter let through (a paste) reaches the logic as the program's own write.
        if (!d.UserType(ctl::kDlgStationNumber, c.typed)) {
            d.SetText(ctl::kDlgStationNumber, c.typed);
        }
        d.SetFocus(ctl::kOk);
        d.Click(ctl::kOk);
        focusAfterOk = d.Focus();
        endedByOk = d.HasEnded();
    });
    if (c.written == 0) {
        EXPECT_FALSE(endedByOk);
        EXPECT_EQ(result, DialogResult::Cancel);
        EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(26)});
        EXPECT_EQ(focusAfterOk, ctl::kDlgStationNumber);
        EXPECT_TRUE(peer_.Writes().empty());
        EXPECT_EQ(settings_.stNum, 7);
        return;
    }
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(19)});
    const auto writes = peer_.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].unit, 7);  // the station the device answers at before the change
    EXPECT_EQ(writes[0].address, 0);
    EXPECT_EQ(writes[0].values, (std::vector<std::uint16_t>{std::uint16_t(c.written), 3}));
    EXPECT_EQ(settings_.stNum, c.written);
    EXPECT_EQ(settings_.portConfig, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Stations, Rs485StationTest,
    ::testing::Values(StationCase{"lowest", u"1", 1}, StationCase{"highest", u"255", 255},
                      StationCase{"leading_zeros", u"0012", 12}, StationCase{"zero", u"0", 0},
                      StationCase{"above_range", u"256", 0}, StationCase{"empty", u"", 0},
                      StationCase{"beyond_32_bits", u"4294967303", 0},
                      StationCase{"twenty_digits", u"99999999999999999999", 0},
                      StationCase{"negative", u"-7", 0}, StationCase{"blank_inside", u"1 2", 0},
                      StationCase{"trailing_newline", u"12\n", 0},
                      StationCase{"letters", u"12a", 0}),
    RowName());

TEST_F(Rs485DialogTest, MovesTheDeviceAndUpdatesTheRecordOnlyAfterItConfirmed) {
    settings_.portConfig = 0;
    peer_.SetRegister(1, 0);
    peer_.FailWrites(true);
    std::vector<std::u16string> statusAfterFailure;
    const DialogResult result = Run([&](HeadlessDialog& d) {
        d.UserSelect(ctl::kDlgPortConfig, 3);
        d.UserType(ctl::kDlgStationNumber, u"12");
        d.Click(ctl::kOk);
        // Refused: the dialog stays open and the record keeps its values.
        EXPECT_FALSE(d.HasEnded());
        EXPECT_EQ(settings_.stNum, 7);
        EXPECT_EQ(settings_.portConfig, 0);
        peer_.FailWrites(false);
        d.Click(ctl::kOk);
    });
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::u16string>{LoadText(19), LoadText(4), LoadText(19)}));
    const auto writes = peer_.Writes();
    ASSERT_EQ(writes.size(), 2u);
    for (const auto& write : writes) {
        EXPECT_EQ(write.unit, 7);
        EXPECT_EQ(write.values, (std::vector<std::uint16_t>{12, 3}));
    }
    EXPECT_EQ(settings_.stNum, 12);
    EXPECT_EQ(settings_.portConfig, 3);
    EXPECT_EQ(peer_.Register(0), 12);
    EXPECT_EQ(peer_.Register(1), 3);
}

TEST_F(Rs485DialogTest, AnsweringCancelKeepsTheEntriesAndWritesNothing) {
    toolkit_.QueueMessageAnswer(DialogResult::Cancel);
    const DialogResult result = Run([](HeadlessDialog& d) {
        d.UserType(ctl::kDlgStationNumber, u"12");
        d.Click(ctl::kOk);
        EXPECT_FALSE(d.HasEnded());
        EXPECT_EQ(d.GetText(ctl::kDlgStationNumber), u"12");
        d.PressEscape();
    });
    EXPECT_EQ(result, DialogResult::Cancel);
    EXPECT_EQ(MessageTexts(), std::vector<std::u16string>{LoadText(19)});
    EXPECT_TRUE(peer_.Writes().empty());
    EXPECT_EQ(settings_.stNum, 7);
}

// How the user leaves a dialog with changed entries without confirming them.
struct CloseCase {
    const char* name;
    bool (*close)(HeadlessDialog&);
};

class Rs485CloseTest : public Rs485DialogTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(Rs485CloseTest, ClosesWithCancelAndLeavesEverythingAsItWas) {
    const auto close = GetParam().close;
    const DialogResult result = Run([&](HeadlessDialog& d) {
        d.UserSelect(ctl::kDlgPortConfig, 5);
        d.UserType(ctl::kDlgStationNumber, u"99");
        EXPECT_TRUE(close(d));
        EXPECT_TRUE(d.HasEnded());
    });
    EXPECT_EQ(result, DialogResult::Cancel);
    EXPECT_TRUE(toolkit_.Messages().empty());
    EXPECT_TRUE(peer_.Writes().empty());
    EXPECT_EQ(settings_.stNum, 7);
    EXPECT_EQ(settings_.portConfig, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Closers, Rs485CloseTest,
    ::testing::Values(CloseCase{"cancel_button",
                                [](HeadlessDialog& d) { return d.Click(ctl::kCancel); }},
                      CloseCase{"escape", [](HeadlessDialog& d) { return d.PressEscape(); }},
                      CloseCase{"close_box", [](HeadlessDialog& d) { return d.CloseBox(); }}),
    RowName());

// A read that fails leaves nothing selected; its cause shows in the status line.
struct FailedReadCase {
    const char* name;
    bool withChannel;  // false: no channel lent at all
    int deviceStation;
    unsigned statusText;
    unsigned writeText;  // what the confirmed write then reports
};

class Rs485FailedReadTest : public Rs485DialogTest,
                            public ::testing::WithParamInterface<FailedReadCase> {};

TEST_P(Rs485FailedReadTest, LeavesNoSelectionAndAsksForAConfiguration) {
    const FailedReadCase& c = GetParam();
    peer_.SetRegister(0, static_cast<std::uint16_t>(c.deviceStation));
    std::u16string status;
    const DialogResult result = Run(
        [&](HeadlessDialog& d) {
            EXPECT_EQ(d.Selection(ctl::kDlgPortConfig), -1);
            EXPECT_EQ(d.GetText(ctl::kDlgStationNumber), u"");
            status = d.GetText(ctl::kStatusText);
            d.Click(ctl::kOk);
            d.UserType(ctl::kDlgStationNumber, u"7");
            d.Click(ctl::kOk);
            d.UserSelect(ctl::kDlgPortConfig, 1);
            d.Click(ctl::kOk);
            EXPECT_FALSE(d.HasEnded());
        },
        c.withChannel ? channel_.get() : nullptr);
    EXPECT_EQ(result, DialogResult::Cancel);
    EXPECT_EQ(MessageTexts(), (std::vector<std::u16string>{LoadText(25), LoadText(25), LoadText(19),
                                                           LoadText(c.writeText)}));
    EXPECT_EQ(settings_.stNum, 7);
    EXPECT_EQ(settings_.portConfig, 3);
    const HeadlessDialog* dialog = toolkit_.LastDialog(kTemplate);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->HasControl(ctl::kStatusText));
    EXPECT_EQ(status, LoadText(c.statusText));
}

INSTANTIATE_TEST_SUITE_P(Reads, Rs485FailedReadTest,
                         ::testing::Values(FailedReadCase{"no_channel", false, 7, 3, 3},
                                           FailedReadCase{"device_elsewhere", true, 9, 4, 4}),
                         RowName());

TEST_F(Rs485DialogTest, MovesZelSimAndTheDeviceKeepsItsNewSettings) {
    const std::string state = (folder_ / "device.state").string();
    std::ofstream(state) << "station 7\nportConfig 0\n";
    SimProcess sim({"--model", "three", "--state", state});
    ASSERT_NE(sim.Port(), 0);
    XCConnectionGMBTCP channel("127.0.0.1", sim.Port());
    settings_.portConfig = 0;
    const DialogResult result = Run(
        [](HeadlessDialog& d) {
            EXPECT_EQ(d.Selection(ctl::kDlgPortConfig), 0);
            d.UserSelect(ctl::kDlgPortConfig, 3);
            d.UserType(ctl::kDlgStationNumber, u"12");
            d.Click(ctl::kOk);
        },
        &channel);
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(settings_.stNum, 12);
    EXPECT_EQ(settings_.portConfig, 3);
    std::stringstream saved;
    saved << std::ifstream(state).rdbuf();
    EXPECT_NE(saved.str().find("station 12\n"), std::string::npos) << saved.str();
    EXPECT_NE(saved.str().find("portConfig 3\n"), std::string::npos) << saved.str();
}

}  // namespace
