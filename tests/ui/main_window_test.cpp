// The main window without a device: its first start, the connection controls and their checks,
// the settings it stores and the channels it builds.
#include <algorithm>
#include <climits>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "comm/connection_rs.h"
#include "layout/control_ids.h"
#include "ui/logic/main_window_display.h"
#include "ui/main_window_fixture.h"

namespace {

bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

TEST_F(MainWindowTest, FirstStartShowsDefaultsAndNoDevice) {
    bool timerRunning = false;
    int timerPeriod = 0;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        timerRunning = d.IsTimerRunning(CZELDlg::kRefreshTimerId);
        timerPeriod = d.TimerPeriod(CZELDlg::kRefreshTimerId);
    });

    EXPECT_EQ(dialog.Selection(ctl::kConnectionType), 0);
    EXPECT_EQ(dialog.ItemData(ctl::kConnectionType, 0), 0);
    EXPECT_EQ(dialog.Selection(ctl::kComPort), -1);
    EXPECT_EQ(dialog.Selection(ctl::kPortConfig), -1);
    EXPECT_EQ(dialog.GetText(ctl::kStationNumber), u"");
    EXPECT_EQ(dialog.GetText(ctl::kSocket), u"502");
    EXPECT_EQ(dialog.GetText(ctl::kStatusText), LoadText(3));
    for (const DisplayField& field : EmptyDisplayFields()) {
        EXPECT_EQ(dialog.GetText(field.id), field.id == ctl::kRatioTotal ? u"" : u"-")
            << "control " << field.id;
    }
    EXPECT_FALSE(dialog.IsEnabled(ctl::kRs485Button));
    EXPECT_FALSE(dialog.IsEnabled(ctl::kElectricalButton));
    EXPECT_EQ(dialog.ControlIcon(ctl::kStatusIcon).resource, icon::kNotConnected);
    EXPECT_EQ(dialog.GetTitle(), u"ZEL Software 1.1");
    EXPECT_TRUE(timerRunning);
    EXPECT_EQ(timerPeriod, 10000);
    EXPECT_EQ(window->Channel(), nullptr);
    EXPECT_FALSE(window->IsModified());

    // No channel could be built, so no connection setting reached the file.
    const std::string file = ReadScratchFile("default.xcfg");
    EXPECT_TRUE(Contains(file, "<productName>ZEL Software</productName>")) << file;
    EXPECT_FALSE(Contains(file, "comType")) << file;
}

TEST_F(MainWindowTest, OpeningFillsListsTextsAndMenu) {
    const HeadlessDialog& dialog = RunWindow({});

    EXPECT_EQ(dialog.Items(ctl::kConnectionType),
              (std::vector<std::u16string>{u"Serial", u"UDP", u"TCP", u"ModbusTCP"}));
    EXPECT_EQ(dialog.ItemDataList(ctl::kConnectionType), (std::vector<std::intptr_t>{0, 1, 2, 3}));
    ASSERT_EQ(dialog.ItemCount(ctl::kComPort), 256);
    EXPECT_EQ(dialog.ItemText(ctl::kComPort, 0), u"COM1");
    EXPECT_EQ(dialog.ItemText(ctl::kComPort, 255), u"COM256");
    EXPECT_EQ(dialog.ItemData(ctl::kComPort, 0), 1);
    EXPECT_EQ(dialog.ItemData(ctl::kComPort, 255), 256);
    EXPECT_EQ(
        dialog.Items(ctl::kPortConfig),
        (std::vector<std::u16string>{u"9600, 8, E, 1", u"19200, 8, E, 1", u"9600, 8, N, 2",
                                     u"19200, 8, N, 2", u"9600, 8, N, 1", u"19200, 8, N, 1"}));

    const struct {
        int id;
        std::u16string text;
    } texts[] = {
        {ctl::kConnectionGroup, LoadText(7)},  {ctl::kComPortLabel, LoadText(5)},
        {ctl::kPortConfigLabel, LoadText(6)},  {ctl::kStationNumberLabel, LoadText(8)},
        {ctl::kUpdateButton, LoadText(60)},    {ctl::kInfoGroup, LoadText(9)},
        {ctl::kModelLabel, LoadText(13)},      {ctl::kRs485Group, LoadText(20)},
        {ctl::kElectricalGroup, LoadText(21)}, {ctl::kRs485Button, u"  " + LoadText(17)},
        {ctl::kColumnTotal, u"III"},           {ctl::kDelayLabel, LoadText(30)},
        {ctl::kWorkingModeNote, LoadText(58)}, {ctl::kAddressLabel, u"Address"},
    };
    for (const auto& expected : texts) {
        EXPECT_EQ(dialog.GetText(expected.id), expected.text) << "control " << expected.id;
    }
    EXPECT_EQ(dialog.ButtonIcon(ctl::kRs485Button).resource, icon::kEditRs485);
    EXPECT_EQ(dialog.ButtonIcon(ctl::kElectricalButton).resource, icon::kEditElectrical);
    // Without an icon file beside the program the window shows its own icon.
    EXPECT_EQ(dialog.WindowIcon().resource, icon::kApplication);
    ASSERT_EQ(dialog.SystemMenu().size(), 1u);
    EXPECT_EQ(dialog.SystemMenu()[0].text, u"&Acerca de ...");
    EXPECT_EQ(dialog.SystemMenu()[0].command, 16);
}

struct LinkTypeCase {
    const char* name;
    ConnectionType type;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const LinkTypeCase& row) {
        return out << row.name;
    }
};

class MainWindowLinkTypeTest : public MainWindowTest,
                               public ::testing::WithParamInterface<LinkTypeCase> {};

TEST_P(MainWindowLinkTypeTest, EnablesTheControlsOfTheChosenLink) {
    const bool serial = GetParam().type == ConnectionType::Serial;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        // Start from the other kind of link, so that every control has to change.
        ASSERT_TRUE(d.UserSelect(ctl::kConnectionType, serial ? 3 : 0));
        ASSERT_TRUE(d.UserSelect(ctl::kConnectionType, static_cast<int>(GetParam().type)));
    });
    for (int id : {ctl::kComPortLabel, ctl::kComPort, ctl::kPortConfigLabel, ctl::kPortConfig}) {
        EXPECT_EQ(dialog.IsEnabled(id), serial) << "control " << id;
    }
    for (int id : {ctl::kAddressLabel, ctl::kAddress, ctl::kSocketLabel, ctl::kSocket}) {
        EXPECT_EQ(dialog.IsEnabled(id), !serial) << "control " << id;
    }
    EXPECT_TRUE(dialog.IsEnabled(ctl::kStationNumber));
    EXPECT_TRUE(dialog.IsEnabled(ctl::kStationNumberLabel));
    EXPECT_EQ(window->Settings().comType, static_cast<int>(GetParam().type));
    EXPECT_TRUE(window->IsModified());
}

INSTANTIATE_TEST_SUITE_P(Links, MainWindowLinkTypeTest,
                         ::testing::Values(LinkTypeCase{"Serial", ConnectionType::Serial},
                                           LinkTypeCase{"Udp", ConnectionType::Udp},
                                           LinkTypeCase{"Tcp", ConnectionType::Tcp},
                                           LinkTypeCase{"ModbusTcp", ConnectionType::ModbusTcp}),
                         [](const auto& row) { return std::string(row.param.name); });

struct StationCase {
    const char* name;
    const char16_t* typed;
    bool refused;
    int stored;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const StationCase& row) {
        return out << row.name;
    }
};

class MainWindowStationTest : public MainWindowTest,
                              public ::testing::WithParamInterface<StationCase> {};

TEST_P(MainWindowStationTest, StationsAbove255AreCutTo255WithAMessage) {
    const HeadlessDialog& dialog = RunWindow(
        [&](HeadlessDialog& d) { ASSERT_TRUE(d.UserType(ctl::kStationNumber, GetParam().typed)); });
    if (GetParam().refused) {
        ASSERT_EQ(toolkit.Messages().size(), 1u);
        EXPECT_EQ(toolkit.Messages()[0].text, LoadText(26));
        EXPECT_EQ(toolkit.Messages()[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(dialog.GetText(ctl::kStationNumber), u"255");
    } else {
        EXPECT_TRUE(toolkit.Messages().empty());
        EXPECT_EQ(dialog.GetText(ctl::kStationNumber), GetParam().typed);
    }
    EXPECT_EQ(window->Settings().stNum, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Stations, MainWindowStationTest,
                         ::testing::Values(StationCase{"Highest", u"255", false, 255},
                                           StationCase{"JustAbove", u"256", true, 255},
                                           StationCase{"ThreeHundred", u"300", true, 255},
                                           StationCase{"BeyondInt", u"99999999999", true, 255},
                                           StationCase{"Empty", u"", false, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(MainWindowTest, StoredSettingsComeBackIntoTheControlsAndBuildTheirChannel) {
    WriteScratchFile("default.xcfg",
                     "<?xml version=\"1.0\"?><config><comType>0</comType><stNum>7</stNum>"
                     "<portConfig>3</portConfig><port>5</port><ipAddress>10.1.2.3</ipAddress>"
                     "<ipSocket></ipSocket></config>");
    const HeadlessDialog& dialog = RunWindow({});

    EXPECT_EQ(dialog.Selection(ctl::kConnectionType), 0);
    EXPECT_EQ(dialog.GetText(ctl::kComPort), u"COM5");
    EXPECT_EQ(dialog.Selection(ctl::kPortConfig), 3);
    EXPECT_EQ(dialog.GetText(ctl::kStationNumber), u"7");
    EXPECT_EQ(dialog.GetText(ctl::kAddress), u"10.1.2.3");
    EXPECT_EQ(dialog.GetText(ctl::kSocket), u"");
    EXPECT_EQ(dialog.GetText(ctl::kStatusText), u"");
    // Filling the fields is not a change by the user.
    EXPECT_FALSE(window->IsModified());

    const auto* serial = dynamic_cast<const XCConnectionRS*>(window->Channel());
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->GetComPort(), 5);
    EXPECT_EQ(serial->GetLineSettings().baudRate, 19200);
    EXPECT_EQ(serial->GetLineSettings().parity, 0);
    EXPECT_EQ(serial->GetLineSettings().stopBits, 2);
    EXPECT_EQ(serial->GetLineSettings().byteSize, 8);
}

struct BadSettingCase {
    const char* name;
    const char* elements;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const BadSettingCase& row) {
        return out << row.name;
    }
};

class MainWindowBadSettingTest : public MainWindowTest,
                                 public ::testing::WithParamInterface<BadSettingCase> {};

TEST_P(MainWindowBadSettingTest, LeavesItsListWithoutSelectionAndNoChannel) {
    WriteScratchFile("default.xcfg", std::string("<config>") + GetParam().elements + "</config>");
    const HeadlessDialog& dialog = RunWindow({});
    EXPECT_EQ(window->Channel(), nullptr);
    EXPECT_EQ(dialog.GetText(ctl::kStatusText), LoadText(3));
    EXPECT_FALSE(Contains(ReadScratchFile("default.xcfg"), "<port>"));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, MainWindowBadSettingTest,
    ::testing::Values(
        BadSettingCase{"UnknownLinkType", "<comType>4</comType><portConfig>1</portConfig>"},
        BadSettingCase{"PortConfigBeyondList", "<comType>0</comType><portConfig>6</portConfig>"},
        BadSettingCase{"NegativePortConfig", "<comType>0</comType><portConfig>-1</portConfig>"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(MainWindowTest, LongAddressReachesTheSettingsAndTheChannelWhole) {
    // A host name longer than a dotted address, which a cut at 15 characters would break.
    const std::u16string address = u"analyser-7.plant-north.example.net";
    const std::u16string tooLong = address + std::u16string(200, u'x');
    std::u16string stored;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ASSERT_TRUE(d.UserSelect(ctl::kConnectionType, 2));
        ASSERT_TRUE(d.UserType(ctl::kAddress, address));
        ASSERT_TRUE(d.UserType(ctl::kStationNumber, u"1"));
        window->ApplyConnection(d);
        stored = window->Settings().ipAddress;
        ASSERT_TRUE(d.UserType(ctl::kAddress, tooLong));
    });
    EXPECT_EQ(stored, address);
    EXPECT_TRUE(Contains(ReadScratchFile("default.xcfg"),
                         "<ipAddress>" + Narrow(address) + "</ipAddress>"));
    EXPECT_EQ(window->Settings().ipAddress.size(), kMaxAddressLength);
    EXPECT_EQ(dialog.GetText(ctl::kAddress), tooLong);
}

TEST_F(MainWindowTest, EmptySocketFieldIsStoredEmpty) {
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ASSERT_TRUE(d.UserSelect(ctl::kConnectionType, 3));
        ASSERT_TRUE(d.UserType(ctl::kAddress, u"127.0.0.1"));
        ASSERT_TRUE(d.UserType(ctl::kSocket, u""));
        window->ApplyConnection(d);
    });
    ASSERT_NE(window->Channel(), nullptr);
    EXPECT_EQ(window->Channel()->GetType(), ConnectionType::ModbusTcp);
    EXPECT_EQ(window->Settings().ipSocket, 0);
    EXPECT_TRUE(Contains(ReadScratchFile("default.xcfg"), "<ipSocket></ipSocket>"));
    EXPECT_EQ(dialog.GetText(ctl::kSocket), u"");
}

struct SysCommandCase {
    const char* name;
    int command;
    bool opensAbout;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const SysCommandCase& row) {
        return out << row.name;
    }
};

class MainWindowSysCommandTest : public MainWindowTest,
                                 public ::testing::WithParamInterface<SysCommandCase> {};

TEST_P(MainWindowSysCommandTest, AboutOpensWithoutChannelOrDevice) {
    bool buttonsEnabled = true;
    RunWindow([&](HeadlessDialog& d) {
        buttonsEnabled = d.IsEnabled(ctl::kRs485Button) || d.IsEnabled(ctl::kElectricalButton);
        window->OnSysCommand(d, GetParam().command);
    });
    EXPECT_FALSE(buttonsEnabled);
    EXPECT_EQ(window->Channel(), nullptr);
    const std::vector<int>& runs = toolkit.ModalRuns();
    const bool aboutRan =
        std::find(runs.begin(), runs.end(), dialog_template::kAbout) != runs.end();
    EXPECT_EQ(aboutRan, GetParam().opensAbout);
}

INSTANTIATE_TEST_SUITE_P(Commands, MainWindowSysCommandTest,
                         ::testing::Values(SysCommandCase{"About", 16, true},
                                           SysCommandCase{"AboutWithLowBits", 0x1F, true},
                                           SysCommandCase{"Other", 32, false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(MainWindowTest, ResizeRunsTheLayoutAndKeepsTheStateIcon) {
    int movesBefore = 0;
    int wideRight = 0;
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        movesBefore = d.MoveCount(ctl::kConnectionGroup);
        ASSERT_TRUE(d.Resize(1400, 700));
        wideRight = d.ControlRect(ctl::kConnectionGroup).right;
        ASSERT_TRUE(d.Resize(900, 500));
    });
    EXPECT_EQ(dialog.MoveCount(ctl::kConnectionGroup), movesBefore + 2);
    EXPECT_LT(dialog.ControlRect(ctl::kConnectionGroup).right, wideRight);
    EXPECT_EQ(dialog.ControlIcon(ctl::kStatusIcon).resource, icon::kNotConnected);
}

struct CloseCase {
    const char* name;
    std::function<bool(HeadlessDialog&)> close;
    DialogResult result;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const CloseCase& row) {
        return out << row.name;
    }
};

class MainWindowCloseTest : public MainWindowTest,
                            public ::testing::WithParamInterface<CloseCase> {};

TEST_P(MainWindowCloseTest, EndsTheRunWithoutSavingPendingChanges) {
    WriteScratchFile("default.xcfg",
                     "<config><comType>3</comType><stNum>4</stNum>"
                     "<ipAddress>127.0.0.1</ipAddress></config>");
    const HeadlessDialog& dialog = RunWindow([&](HeadlessDialog& d) {
        ASSERT_TRUE(d.UserType(ctl::kStationNumber, u"77"));
        ASSERT_TRUE(GetParam().close(d));
        EXPECT_TRUE(d.HasEnded());
    });
    EXPECT_EQ(dialog.Result(), GetParam().result);
    const std::string file = ReadScratchFile("default.xcfg");
    EXPECT_TRUE(Contains(file, "<stNum>4</stNum>")) << file;
}

INSTANTIATE_TEST_SUITE_P(
    Closing, MainWindowCloseTest,
    ::testing::Values(
        CloseCase{"Escape", [](HeadlessDialog& d) { return d.PressEscape(); },
                  DialogResult::Cancel},
        CloseCase{"CloseBox", [](HeadlessDialog& d) { return d.CloseBox(); }, DialogResult::Cancel},
        // The focus is on the station field, not on a button.
        CloseCase{"Enter", [](HeadlessDialog& d) { return d.PressEnter(); }, DialogResult::Ok}),
    [](const auto& row) { return std::string(row.param.name); });

struct RefreshCase {
    const char* name;
    const char* element;  // "timeRefresh" as the file holds it; nullptr for no file at all
    int periodMs;
    // Failure messages name the row.
    friend std::ostream& operator<<(std::ostream& out, const RefreshCase& row) {
        return out << row.name;
    }
};

class MainWindowRefreshTimerTest : public MainWindowTest,
                                   public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(MainWindowRefreshTimerTest, RunsWithThePeriodOfTheSettings) {
    if (GetParam().element != nullptr) {
        WriteScratchFile("default.xcfg",
                         std::string("<config>") + GetParam().element + "</config>");
    }
    int period = -1;
    RunWindow([&](HeadlessDialog& d) {
        period = d.TimerPeriod(CZELDlg::kRefreshTimerId);
        // Nothing reacts to a tick.
        ASSERT_TRUE(d.FireTimer(CZELDlg::kRefreshTimerId));
    });
    EXPECT_EQ(period, GetParam().periodMs);
    EXPECT_TRUE(toolkit.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Periods, MainWindowRefreshTimerTest,
    ::testing::Values(RefreshCase{"NoFile", nullptr, 10000},
                      RefreshCase{"Fraction", "<timeRefresh>2.5</timeRefresh>", 2000},
                      // A timer cannot run faster than its shortest period, nor take a
                      // negative one other than as the longest.
                      RefreshCase{"Empty", "<timeRefresh></timeRefresh>", 10},
                      RefreshCase{"Negative", "<timeRefresh>-3</timeRefresh>", INT_MAX}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
