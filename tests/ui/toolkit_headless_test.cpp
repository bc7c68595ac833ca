// The headless dialog toolkit raises events by the same rules as the real one, so that the
// window logic tested against it behaves the same on screen.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "layout/control_ids.h"
#include "ui/headless/headless_toolkit.h"

namespace {

// Logs every event as "Name:id" and can run extra code on init and on commands.
class RecordingHandler : public DialogHandler {
public:
    std::vector<std::string> events;
    std::function<void(DialogHost&)> onInit;
    std::function<void(DialogHost&, int)> onCommand;

    void OnInitDialog(DialogHost& host) override {
        events.push_back("Init");
        if (onInit) {
            onInit(host);
        }
    }
    void OnCommand(DialogHost& host, int id) override {
        events.push_back("Command:" + std::to_string(id));
        if (onCommand) {
            onCommand(host, id);
        }
    }
    void OnSelectionChanged(DialogHost&, int id) override {
        events.push_back("Selection:" + std::to_string(id));
    }
    void OnTextChanged(DialogHost&, int id) override {
        events.push_back("Text:" + std::to_string(id));
    }
    void OnSize(DialogHost&) override { events.push_back("Size"); }
    void OnTimer(DialogHost&, int id) override { events.push_back("Timer:" + std::to_string(id)); }
    void OnSysCommand(DialogHost&, int command) override {
        events.push_back("SysCommand:" + std::to_string(command));
    }
    void OnOk(DialogHost& host) override {
        events.push_back("Ok");
        DialogHandler::OnOk(host);
    }
    void OnCancel(DialogHost& host) override {
        events.push_back("Cancel");
        DialogHandler::OnCancel(host);
    }
};

using Events = std::vector<std::string>;

struct EventCase {
    const char* name;
    int templateId;
    std::function<void(HeadlessDialog&)> act;  // runs as the test's script
    Events expected;                           // events after Init
};

void PrintTo(const EventCase& c, std::ostream* os) {
    *os << c.name;
}

class EventRules : public testing::TestWithParam<EventCase> {};

TEST_P(EventRules, RaiseExactlyTheEventsOfTheRealToolkit) {
    const EventCase& c = GetParam();
    HeadlessToolkit toolkit;
    RecordingHandler handler;
    handler.onInit = [](DialogHost& host) {
        host.AddItem(ctl::kConnectionType, u"Serial", 0);
        host.AddItem(ctl::kConnectionType, u"UDP", 1);
        host.AddItem(ctl::kDlgPortConfig, u"9600, 8, E, 1", 0);
        host.AddItem(ctl::kDlgPortConfig, u"19200, 8, E, 1", 1);
        host.AddSystemMenuEntry(u"&Acerca de ...", ctl::kAboutCommand);
        host.StartTimer(1, 500);
    };
    toolkit.OnNextModal(c.templateId, [&](HeadlessDialog& dialog) {
        handler.events.clear();
        c.act(dialog);
        dialog.EndDialog(DialogResult::Ok);
    });
    toolkit.RunModal(c.templateId, handler);
    EXPECT_EQ(handler.events, c.expected);
}

const int kMain = dialog_template::kMain;
const int kRs485 = dialog_template::kRs485;

INSTANTIATE_TEST_SUITE_P(
    Headless, EventRules,
    testing::Values(
        EventCase{"ProgramSelectionRaisesNothing",
                  kMain,
                  [](HeadlessDialog& d) { d.SetSelection(ctl::kConnectionType, 1); },
                  {}},
        EventCase{"UserSelectionRaisesSelectionChanged",
                  kMain,
                  [](HeadlessDialog& d) { EXPECT_TRUE(d.UserSelect(ctl::kConnectionType, 1)); },
                  {"Selection:1101"}},
        EventCase{"ProgramTextOnEditRaisesTextChanged",
                  kMain,
                  [](HeadlessDialog& d) { d.SetText(ctl::kStationNumber, u"5"); },
                  {"Text:1106"}},
        EventCase{"ProgramTextOnLabelRaisesNothing",
                  kMain,
                  [](HeadlessDialog& d) { d.SetText(ctl::kStatusText, u"x"); },
                  {}},
        EventCase{"UserTypingRaisesTextChanged",
                  kMain,
                  [](HeadlessDialog& d) { EXPECT_TRUE(d.UserType(ctl::kAddress, u"10.0.0.1")); },
                  {"Text:1108"}},
        EventCase{"DigitsFieldRefusesLetters",
                  kMain,
                  [](HeadlessDialog& d) { EXPECT_FALSE(d.UserType(ctl::kSocket, u"50a")); },
                  {}},
        EventCase{"DisabledControlTakesNoUserAction",
                  kMain,
                  [](HeadlessDialog& d) {
                      d.Enable(ctl::kRs485Button, false);
                      d.Enable(ctl::kComPort, false);
                      EXPECT_FALSE(d.Click(ctl::kRs485Button));
                      EXPECT_FALSE(d.UserSelect(ctl::kComPort, 0));
                  },
                  {}},
        EventCase{"HiddenControlTakesNoUserAction",
                  kMain,
                  [](HeadlessDialog& d) {
                      d.Show(ctl::kAddress, false);
                      EXPECT_FALSE(d.UserType(ctl::kAddress, u"x"));
                  },
                  {}},
        EventCase{"SelectionOutsideListRefused",
                  kMain,
                  [](HeadlessDialog& d) { EXPECT_FALSE(d.UserSelect(ctl::kConnectionType, 2)); },
                  {}},
        EventCase{"OtherButtonRaisesCommand",
                  kMain,
                  [](HeadlessDialog& d) { EXPECT_TRUE(d.Click(ctl::kUpdateButton)); },
                  {"Command:1112"}},
        EventCase{"OkButtonRaisesOk", kRs485, [](HeadlessDialog& d) { d.Click(ctl::kOk); }, {"Ok"}},
        EventCase{"CancelButtonRaisesCancel",
                  kRs485,
                  [](HeadlessDialog& d) { d.Click(ctl::kCancel); },
                  {"Cancel"}},
        EventCase{"EnterOffButtonsRaisesOk",
                  kMain,
                  [](HeadlessDialog& d) {
                      d.SetFocus(ctl::kAddress);
                      d.PressEnter();
                  },
                  {"Ok"}},
        EventCase{"EnterOnButtonClicksIt",
                  kMain,
                  [](HeadlessDialog& d) {
                      d.SetFocus(ctl::kUpdateButton);
                      d.PressEnter();
                  },
                  {"Command:1112"}},
        EventCase{"EscapeAndCloseBoxRaiseCancel",
                  kMain,
                  [](HeadlessDialog& d) {
                      EXPECT_TRUE(d.PressEscape());
                      // The handler's default ended the run: nothing more reaches it.
                      EXPECT_FALSE(d.CloseBox());
                  },
                  {"Cancel"}},
        EventCase{"ResizeRaisesSize",
                  kMain,
                  [](HeadlessDialog& d) {
                      EXPECT_TRUE(d.Resize(900, 400));
                      EXPECT_EQ(d.ClientRect().right, 900);
                  },
                  {"Size"}},
        EventCase{"TimerFiresOnlyWhileRunning",
                  kMain,
                  [](HeadlessDialog& d) {
                      EXPECT_TRUE(d.FireTimer(1));
                      d.StopTimer(1);
                      EXPECT_FALSE(d.FireTimer(1));
                  },
                  {"Timer:1"}},
        EventCase{"OnlyListedSystemMenuEntriesRaiseCommands",
                  kMain,
                  [](HeadlessDialog& d) {
                      EXPECT_FALSE(d.ChooseSystemMenu(17));
                      EXPECT_TRUE(d.ChooseSystemMenu(ctl::kAboutCommand));
                  },
                  {"SysCommand:16"}},
        EventCase{"UserActionsRefusedWhileBlocked",
                  kMain,
                  [](HeadlessDialog& d) {
                      d.RunBlocking([&] { EXPECT_FALSE(d.Click(ctl::kUpdateButton)); });
                      EXPECT_EQ(d.BlockingRunCount(), 1);
                      EXPECT_TRUE(d.WaitCursorShown());
                  },
                  {}}),
    [](const testing::TestParamInfo<EventCase>& row) { return row.param.name; });

TEST(HeadlessModal, NestedRunsTakeTheirOwnScripts) {
    HeadlessToolkit toolkit;
    RecordingHandler mainHandler;
    RecordingHandler rs485Handler;
    DialogResult nestedResult = DialogResult::None;
    mainHandler.onCommand = [&](DialogHost&, int id) {
        if (id == ctl::kRs485Button) {
            nestedResult = toolkit.RunModal(dialog_template::kRs485, rs485Handler);
        }
    };
    std::vector<int> scriptTemplates;
    toolkit.OnNextModal(dialog_template::kMain, [&](HeadlessDialog& main) {
        scriptTemplates.push_back(main.TemplateId());
        ASSERT_TRUE(main.Click(ctl::kRs485Button));
        EXPECT_EQ(nestedResult, DialogResult::Ok);
        ASSERT_TRUE(main.Click(ctl::kRs485Button));  // no script left: Cancel
        EXPECT_EQ(nestedResult, DialogResult::Cancel);
        EXPECT_FALSE(main.HasEnded());
    });
    toolkit.OnNextModal(dialog_template::kRs485, [&](HeadlessDialog& dialog) {
        scriptTemplates.push_back(dialog.TemplateId());
        dialog.Click(ctl::kOk);
    });

    // The main window's script ends without closing it: the run ends with Cancel.
    EXPECT_EQ(toolkit.RunModal(dialog_template::kMain, mainHandler), DialogResult::Cancel);
    EXPECT_EQ(scriptTemplates, (std::vector<int>{dialog_template::kMain, dialog_template::kRs485}));
    EXPECT_EQ(toolkit.ModalRuns(),
              (std::vector<int>{dialog_template::kMain, dialog_template::kRs485,
                                dialog_template::kRs485}));
    // The unscripted run ended right after its initialisation, without OnCancel.
    EXPECT_EQ(rs485Handler.events, (Events{"Init", "Ok", "Init"}));
    ASSERT_NE(toolkit.LastDialog(dialog_template::kMain), nullptr);
    EXPECT_TRUE(toolkit.LastDialog(dialog_template::kMain)->HasEnded());
}

TEST(HeadlessModal, EndDialogDuringInitSkipsTheScriptAndKeepsTheResult) {
    HeadlessToolkit toolkit;
    RecordingHandler handler;
    handler.onInit = [](DialogHost& host) { host.EndDialog(DialogResult::Ok); };
    bool scriptRan = false;
    toolkit.OnNextModal(dialog_template::kAbout, [&](HeadlessDialog&) { scriptRan = true; });
    EXPECT_EQ(toolkit.RunModal(dialog_template::kAbout, handler), DialogResult::Ok);
    EXPECT_FALSE(scriptRan);
    EXPECT_EQ(toolkit.RunModal(999, handler), DialogResult::None);
}

TEST(HeadlessMessages, QueuedAnswersGoToBoxesThatOfferAChoice) {
    HeadlessToolkit toolkit;
    toolkit.QueueMessageAnswer(DialogResult::Cancel);
    RecordingHandler handler;
    std::vector<DialogResult> answers;
    toolkit.OnNextModal(dialog_template::kRs485, [&](HeadlessDialog& d) {
        answers.push_back(d.MessageBox(u"warning", MessageButtons::Ok));
        answers.push_back(d.MessageBox(u"sure?", MessageButtons::OkCancel));
        answers.push_back(d.MessageBox(u"again?", MessageButtons::OkCancel));
    });
    toolkit.RunModal(dialog_template::kRs485, handler);
    answers.push_back(toolkit.MessageBox(u"start-up", MessageButtons::Ok));

    EXPECT_EQ(answers, (std::vector<DialogResult>{DialogResult::Ok, DialogResult::Cancel,
                                                  DialogResult::Ok, DialogResult::Ok}));
    const auto& shown = toolkit.Messages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[1].text, u"sure?");
    EXPECT_EQ(shown[1].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(shown[1].templateId, dialog_template::kRs485);
    EXPECT_EQ(shown[3].templateId, 0);
}

TEST(HeadlessControls, ListsKeepOrderDataAndDecorations) {
    HeadlessToolkit toolkit;
    RecordingHandler handler;
    toolkit.OnNextModal(dialog_template::kMain, [](HeadlessDialog& d) {
        EXPECT_EQ(d.AddItem(ctl::kComPort, u"COM2", 2), 0);
        EXPECT_EQ(d.AddItem(ctl::kComPort, u"COM1", 1), 1);
        EXPECT_EQ(d.AddItem(ctl::kModel, u"x", 1), -1);  // a label holds no items
        d.SetItemDecoration(ctl::kComPort, 1, u"/dev/ttyS0", true);
        d.SetItemDecoration(ctl::kComPort, 5, u"ignored", true);
        d.SetSelection(ctl::kComPort, 1);
        EXPECT_EQ(d.GetText(ctl::kComPort), u"COM1");
        EXPECT_EQ(d.ItemData(ctl::kComPort, 0), 2);
        EXPECT_EQ(d.ItemData(ctl::kComPort, 2), -1);
        EXPECT_EQ(d.ItemTooltip(ctl::kComPort, 1), u"/dev/ttyS0");
        EXPECT_TRUE(d.ItemBold(ctl::kComPort, 1));
        EXPECT_FALSE(d.ItemBold(ctl::kComPort, 0));
        d.SetSelection(ctl::kComPort, 7);
        EXPECT_EQ(d.Selection(ctl::kComPort), -1);
        d.ClearItems(ctl::kComPort);
        EXPECT_EQ(d.ItemCount(ctl::kComPort), 0);
        // Template texts, and ids the template lacks.
        EXPECT_EQ(d.GetText(ctl::kAddressLabel), u"Address");
        EXPECT_EQ(d.GetText(ctl::kModel), u"-");
        EXPECT_FALSE(d.HasControl(ctl::kDlgPortConfig));
        EXPECT_FALSE(d.IsEnabled(4242));
        EXPECT_EQ(d.ControlIcon(ctl::kStatusIcon).resource, icon::kNotConnected);
    });
    toolkit.RunModal(dialog_template::kMain, handler);
}

struct IconFileCase {
    const char* name;
    std::string bytes;  // empty: the file is not created
    bool loadable;
};

void PrintTo(const IconFileCase& c, std::ostream* os) {
    *os << c.name;
}

class HeadlessIconFiles : public testing::TestWithParam<IconFileCase> {};

TEST_P(HeadlessIconFiles, LoadOnlyImages) {
    const IconFileCase& c = GetParam();
    const std::string path = testing::TempDir() + "icon_" + c.name + "_" + std::to_string(getpid());
    if (!c.bytes.empty()) {
        std::ofstream(path, std::ios::binary) << c.bytes;
    }
    HeadlessToolkit toolkit;
    const IconRef icon = toolkit.LoadIconFile(path);
    EXPECT_EQ(icon.IsValid(), c.loadable);
    if (c.loadable) {
        EXPECT_EQ(icon.file, path);
        EXPECT_EQ(icon.resource, 0);
    }
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Headless, HeadlessIconFiles,
    testing::Values(IconFileCase{"Ico", std::string("\0\0\1\0\1\0", 6) + "data", true},
                    IconFileCase{"IcoWithoutImages", std::string("\0\0\1\0\0\0", 6), false},
                    IconFileCase{"Png", "\x89PNG\r\n\x1a\n....", true},
                    IconFileCase{"Svg", "  <svg xmlns=\"http://www.w3.org/2000/svg\"/>", true},
                    IconFileCase{"Text", "hello", false}, IconFileCase{"Missing", "", false}),
    [](const testing::TestParamInfo<IconFileCase>& row) { return row.param.name; });

TEST(HeadlessIconFiles, EmptyPathIsInvalid) {
    HeadlessToolkit toolkit;
    EXPECT_FALSE(toolkit.LoadIconFile("").IsValid());
}

}  // namespace

// What a user can type into each kind of edit field, the same rule for both toolkits.
TEST(EditRules, FieldKindsTakeWhatTheirPatternAllows) {
    struct Row {
        ControlKind kind;
        std::u16string text;
        bool accepted;
    };
    const Row rows[] = {
        {ControlKind::DigitsEdit, u"0123", true},    {ControlKind::DigitsEdit, u"", true},
        {ControlKind::DigitsEdit, u"1.5", false},    {ControlKind::DigitsEdit, u" 1", false},
        {ControlKind::DecimalEdit, u"230", true},    {ControlKind::DecimalEdit, u"230.5", true},
        {ControlKind::DecimalEdit, u"230,5", true},  {ControlKind::DecimalEdit, u"230.", true},
        {ControlKind::DecimalEdit, u".5", true},     {ControlKind::DecimalEdit, u"230.55", false},
        {ControlKind::DecimalEdit, u"1.2.3", false}, {ControlKind::DecimalEdit, u"-1", false},
        {ControlKind::DecimalEdit, u"1e3", false},   {ControlKind::Edit, u"any text", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(EditAccepts(row.kind, row.text), row.accepted)
            << std::string(row.text.begin(), row.text.end());
    }
}
