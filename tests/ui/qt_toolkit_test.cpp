// The Qt toolkit on the offscreen platform: widgets as the templates describe them, the same
// event rules as the headless toolkit, Enter/Escape routing, blocking operations that keep the
// window alive, message boxes and icons.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QValidator>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "layout/control_ids.h"
#include "qt_toolkit_support.h"
#include "ui/logic/dialog_templates.h"
#include "ui/qt/qt_icons.h"
#include "ui/qt/qt_text.h"

namespace {

using Events = std::vector<std::string>;

class QtToolkitTest : public testing::Test {
protected:
    void SetUp() override { TestApplication(); }
    QtToolkit toolkit;
};

// ---- Widgets from the templates.

class QtTemplates : public QtToolkitTest, public testing::WithParamInterface<int> {};

TEST_P(QtTemplates, EveryControlHasItsKindTextAndTabPlace) {
    const DialogTemplate& tmpl = *FindDialogTemplate(GetParam());
    ScriptedHandler handler;
    QtDialogHost dialog(toolkit, tmpl, handler, nullptr);

    std::vector<QWidget*> focusable;
    for (const ControlTemplate& c : tmpl.controls) {
        SCOPED_TRACE(c.id);
        QWidget* widget = dialog.Control(c.id);
        ASSERT_NE(widget, nullptr);
        const QString text = ToQString(std::u16string(c.text));
        switch (c.kind) {
            case ControlKind::GroupBox:
                ASSERT_NE(qobject_cast<QGroupBox*>(widget), nullptr);
                EXPECT_EQ(qobject_cast<QGroupBox*>(widget)->title(), text);
                break;
            case ControlKind::LabelLeft:
            case ControlKind::LabelCentre:
            case ControlKind::LabelRight: {
                auto* label = qobject_cast<QLabel*>(widget);
                ASSERT_NE(label, nullptr);
                EXPECT_EQ(label->text(), text);
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
                const Qt::Alignment expected = c.kind == ControlKind::LabelLeft ? Qt::AlignLeft
                                               : c.kind == ControlKind::LabelCentre
                                                   ? Qt::AlignHCenter
                                                   : Qt::AlignRight;
                EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, expected);
                break;
            }
            case ControlKind::Icon:
                EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus);
                break;
            case ControlKind::DropDownList:
                ASSERT_NE(qobject_cast<QComboBox*>(widget), nullptr);
                EXPECT_FALSE(qobject_cast<QComboBox*>(widget)->isEditable());
                focusable.push_back(widget);
                break;
            case ControlKind::Edit:
            case ControlKind::DigitsEdit:
            case ControlKind::DecimalEdit: {
                auto* edit = qobject_cast<QLineEdit*>(widget);
                ASSERT_NE(edit, nullptr);
                EXPECT_EQ(edit->validator() != nullptr, c.kind != ControlKind::Edit);
                focusable.push_back(widget);
                break;
            }
            case ControlKind::PushButton:
            case ControlKind::DefaultPushButton: {
                auto* button = qobject_cast<QPushButton*>(widget);
                ASSERT_NE(button, nullptr);
                EXPECT_EQ(button->text(), text);
                EXPECT_EQ(button->isDefault(), c.kind == ControlKind::DefaultPushButton);
                focusable.push_back(widget);
                break;
            }
        }
    }
    // Tab order is template order.
    for (size_t i = 1; i < focusable.size(); ++i) {
        QWidget* next = focusable[i - 1]->nextInFocusChain();
        while (next != nullptr && next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, focusable[i]) << "after " << focusable[i - 1]->objectName().toStdString();
    }
    // The size comes from dialog units and the font's base units.
    EXPECT_EQ(dialog.width(), tmpl.width * dialog.BaseUnitX() / 4);
    EXPECT_EQ(dialog.height(), tmpl.height * dialog.BaseUnitY() / 8);
    EXPECT_EQ(dialog.minimumSize() == dialog.maximumSize(), !tmpl.resizable);
    EXPECT_EQ(dialog.windowFlags().testFlag(Qt::WindowMaximizeButtonHint), tmpl.resizable);
}

INSTANTIATE_TEST_SUITE_P(Qt, QtTemplates,
                         testing::Values(dialog_template::kAbout, dialog_template::kMain,
                                         dialog_template::kRs485, dialog_template::kElectrical),
                         [](const testing::TestParamInfo<int>& row) {
                             return "Template" + std::to_string(row.param);
                         });

TEST_F(QtToolkitTest, FieldsAreNamedForScreenReaders) {
    ScriptedHandler handler;
    QtDialogHost rs485(toolkit, *FindDialogTemplate(dialog_template::kRs485), handler, nullptr);
    rs485.SetText(ctl::kDlgStationNumberLabel, u"Station");
    EXPECT_EQ(qobject_cast<QLabel*>(rs485.Control(ctl::kDlgStationNumberLabel))->buddy(),
              rs485.Control(ctl::kDlgStationNumber));
    EXPECT_EQ(rs485.Control(ctl::kDlgStationNumber)->accessibleName(), QStringLiteral("Station"));

    QtDialogHost electrical(toolkit, *FindDialogTemplate(dialog_template::kElectrical), handler,
                            nullptr);
    electrical.SetText(ctl::kColumnL2, u"L2");
    electrical.SetText(ctl::kDlgDelayLabel, u"&Delay");
    EXPECT_EQ(electrical.Control(ctl::kDlgDelayL2)->accessibleName(), QStringLiteral("Delay L2"));
}

// ---- Event rules, acted out inside the modal loop.

struct QtEventCase {
    const char* name;
    int templateId;
    std::function<void(QtDialogHost&)> act;
    Events expected;  // events raised by `act`
};

void PrintTo(const QtEventCase& c, std::ostream* os) {
    *os << c.name;
}

class QtEventRules : public QtToolkitTest, public testing::WithParamInterface<QtEventCase> {};

TEST_P(QtEventRules, RaiseTheTemplateEvents) {
    const QtEventCase& c = GetParam();
    ScriptedHandler handler;
    handler.endOnCancel = false;  // let the script see that the dialog stays open
    handler.onInit = [](QtDialogHost& d) {
        d.AddItem(ctl::kConnectionType, u"Serial", 0);
        d.AddItem(ctl::kConnectionType, u"UDP", 1);
        d.AddSystemMenuEntry(u"&Acerca de ...", ctl::kAboutCommand);
    };
    handler.script = [&](QtDialogHost& d) {
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        handler.events.clear();
        c.act(d);
        EXPECT_TRUE(d.isVisible()) << "only EndDialog closes the dialog";
    };
    EXPECT_EQ(toolkit.RunModal(c.templateId, handler), DialogResult::Ok);
    EXPECT_EQ(handler.events, c.expected);
}

QComboBox* Combo(QtDialogHost& d, int id) {
    return qobject_cast<QComboBox*>(d.Control(id));
}

INSTANTIATE_TEST_SUITE_P(
    Qt, QtEventRules,
    testing::Values(QtEventCase{"ProgramSelectionRaisesNothing",
                                dialog_template::kMain,
                                [](QtDialogHost& d) {
                                    d.SetSelection(ctl::kConnectionType, 1);
                                    EXPECT_EQ(Combo(d, ctl::kConnectionType)->currentIndex(), 1);
                                },
                                {}},
                    QtEventCase{"UserSelectionByKeyboardRaisesSelection",
                                dialog_template::kMain,
                                [](QtDialogHost& d) {
                                    d.SetSelection(ctl::kConnectionType, 0);
                                    d.Control(ctl::kConnectionType)->setFocus();
                                    QTest::keyClick(d.Control(ctl::kConnectionType), Qt::Key_Down);
                                    EXPECT_EQ(d.Selection(ctl::kConnectionType), 1);
                                    EXPECT_EQ(d.ItemData(ctl::kConnectionType, 1), 1);
                                },
                                {"Selection:1101"}},
                    QtEventCase{"ProgramTextRaisesTextChangedOnceEvenUnchanged",
                                dialog_template::kMain,
                                [](QtDialogHost& d) {
                                    d.SetText(ctl::kStationNumber, u"7");
                                    d.SetText(ctl::kStationNumber, u"7");
                                    d.SetText(ctl::kStatusText, u"status");  // a label: no event
                                },
                                {"Text:1106", "Text:1106"}},
                    QtEventCase{"DigitsFieldTakesOnlyDigits",
                                dialog_template::kMain,
                                [](QtDialogHost& d) {
                                    QTest::keyClicks(d.Control(ctl::kSocket),
                                                     QStringLiteral("5a0"));
                                    EXPECT_EQ(d.GetText(ctl::kSocket), u"50");
                                },
                                {"Text:1110", "Text:1110"}},
                    QtEventCase{"EnterInAFieldRaisesOk",
                                dialog_template::kMain,
                                [](QtDialogHost& d) {
                                    d.Control(ctl::kAddress)->setFocus();
                                    QTest::keyClick(d.Control(ctl::kAddress), Qt::Key_Return);
                                },
                                {"Ok"}},
                    QtEventCase{"EnterOnAButtonClicksIt",
                                dialog_template::kMain,
                                [](QtDialogHost& d) {
                                    d.Control(ctl::kUpdateButton)->setFocus();
                                    QTest::keyClick(d.Control(ctl::kUpdateButton), Qt::Key_Return);
                                },
                                {"Command:1112"}},
                    QtEventCase{"EnterOnAListRaisesOk",
                                dialog_template::kRs485,
                                [](QtDialogHost& d) {
                                    d.Control(ctl::kDlgPortConfig)->setFocus();
                                    QTest::keyClick(d.Control(ctl::kDlgPortConfig), Qt::Key_Enter);
                                },
                                {"Ok"}},
                    QtEventCase{"EscapeAndCloseBoxRaiseCancel",
                                dialog_template::kRs485,
                                [](QtDialogHost& d) {
                                    QTest::keyClick(d.Control(ctl::kDlgStationNumber),
                                                    Qt::Key_Escape);
                                    d.close();
                                    d.reject();
                                },
                                {"Cancel", "Cancel", "Cancel"}},
                    QtEventCase{"ButtonsRaiseOkCancelAndCommands",
                                dialog_template::kRs485,
                                [](QtDialogHost& d) {
                                    QTest::mouseClick(d.Control(ctl::kOk), Qt::LeftButton);
                                    QTest::mouseClick(d.Control(ctl::kCancel), Qt::LeftButton);
                                    d.Enable(ctl::kOk, false);
                                    QTest::mouseClick(d.Control(ctl::kOk), Qt::LeftButton);
                                },
                                {"Ok", "Cancel"}},
                    QtEventCase{"F1ChoosesTheSystemMenuEntry",
                                dialog_template::kMain,
                                [](QtDialogHost& d) {
                                    ASSERT_EQ(d.actions().size(), 2);
                                    EXPECT_EQ(d.actions().at(1)->text(),
                                              QStringLiteral("&Acerca de ..."));
                                    EXPECT_EQ(d.contextMenuPolicy(), Qt::ActionsContextMenu);
                                    QTest::keyClick(&d, Qt::Key_F1);
                                },
                                {"SysCommand:16"}}),
    [](const testing::TestParamInfo<QtEventCase>& row) { return std::string(row.param.name); });

TEST_F(QtToolkitTest, TimerTicksReachTheLogicUntilStopped) {
    ScriptedHandler handler;
    handler.script = [&](QtDialogHost& d) {
        d.StartTimer(1, 10);
        EXPECT_TRUE(d.IsTimerRunning(1));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !handler.events.empty(); }, 2000));
        d.StopTimer(1);
        EXPECT_FALSE(d.IsTimerRunning(1));
        const size_t ticks = handler.events.size();
        QTest::qWait(50);
        EXPECT_EQ(handler.events.size(), ticks);
    };
    toolkit.RunModal(dialog_template::kMain, handler);
    ASSERT_FALSE(handler.events.empty());
    EXPECT_EQ(handler.events.front(), "Timer:1");
}

TEST_F(QtToolkitTest, EndDialogReturnsItsResultAndStopsTimers) {
    ScriptedHandler handler;
    handler.onInit = [](QtDialogHost& d) { d.StartTimer(3, 1000); };
    handler.script = [](QtDialogHost& d) { d.EndDialog(DialogResult::Cancel); };
    EXPECT_EQ(toolkit.RunModal(dialog_template::kRs485, handler), DialogResult::Cancel);

    ScriptedHandler atInit;
    atInit.onInit = [](QtDialogHost& d) { d.EndDialog(DialogResult::Ok); };
    EXPECT_EQ(toolkit.RunModal(dialog_template::kAbout, atInit), DialogResult::Ok);
    EXPECT_EQ(toolkit.RunModal(4242, atInit), DialogResult::None);
}

TEST_F(QtToolkitTest, ListItemsKeepDataAndDecorations) {
    ScriptedHandler handler;
    QtDialogHost d(toolkit, *FindDialogTemplate(dialog_template::kMain), handler, nullptr);
    EXPECT_EQ(d.AddItem(ctl::kComPort, u"COM3", 3), 0);
    EXPECT_EQ(d.Selection(ctl::kComPort), -1);
    EXPECT_EQ(d.GetText(ctl::kComPort), u"");
    EXPECT_EQ(d.AddItem(ctl::kComPort, u"COM4", 4), 1);
    d.SetItemDecoration(ctl::kComPort, 1, u"/dev/ttyUSB0", true);
    QComboBox* combo = Combo(d, ctl::kComPort);
    EXPECT_EQ(combo->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_TRUE(combo->itemData(1, Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(combo->itemData(0, Qt::FontRole).isValid());
    d.SetSelection(ctl::kComPort, 9);
    EXPECT_EQ(d.Selection(ctl::kComPort), -1);
    EXPECT_EQ(d.ItemData(ctl::kComPort, 0), 3);
    EXPECT_EQ(d.ItemData(ctl::kComPort, 2), -1);
    // Qt's "[*]" mark is shown as typed.
    d.SetTitle(u"Meter [*] 1.1");
    EXPECT_EQ(d.GetTitle(), u"Meter [*] 1.1");
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Meter [*][*] 1.1"));
}

// ---- Blocking operations.

TEST_F(QtToolkitTest, BlockingOperationKeepsTheLoopAliveAndHoldsUserInput) {
    ScriptedHandler handler;
    std::mutex lock;
    std::condition_variable ticked;
    int ticksDuringOperation = 0;  // guarded by `lock`
    bool cursorShown = false;
    std::atomic<bool> finished{false};
    qint64 elapsedMs = 0;
    handler.script = [&](QtDialogHost& d) {
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (!finished) {
                std::lock_guard<std::mutex> guard(lock);
                ++ticksDuringOperation;
                ticked.notify_all();
            }
            cursorShown = cursorShown || QApplication::overrideCursor() != nullptr;
            // A click arriving now must not reach the logic.
            qobject_cast<QPushButton*>(d.Control(ctl::kUpdateButton))->click();
        });
        ticker.start(20);
        QElapsedTimer clock;
        clock.start();
        d.RunBlocking([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            // The window's own loop must tick while this thread works; a loop that stood still
            // would leave this wait to its time limit.
            std::unique_lock<std::mutex> guard(lock);
            ticked.wait_for(guard, std::chrono::seconds(5),
                            [&] { return ticksDuringOperation >= 3; });
            guard.unlock();
            d.SetText(ctl::kStatusText, u"read");  // from the worker: carried to the window
            finished = true;
        });
        elapsedMs = clock.elapsed();
        EXPECT_TRUE(finished);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(d.GetText(ctl::kStatusText), u"read");
    };
    toolkit.RunModal(dialog_template::kMain, handler);
    EXPECT_GE(elapsedMs, 200);
    EXPECT_LT(elapsedMs, 5000);
    EXPECT_GE(ticksDuringOperation, 3);
    EXPECT_TRUE(cursorShown);
    EXPECT_EQ(handler.events, Events{});
}

// ---- Message boxes.

struct MessageCase {
    const char* name;
    MessageButtons buttons;
    const char* language;
    QMessageBox::StandardButton press;
    const char* pressedText;  // the caption the pressed button shows
    DialogResult expected;
};

void PrintTo(const MessageCase& c, std::ostream* os) {
    *os << c.name;
}

class QtMessages : public QtToolkitTest, public testing::WithParamInterface<MessageCase> {};

TEST_P(QtMessages, WarningInTheProgramsNameWithTranslatedButtons) {
    const MessageCase& c = GetParam();
    toolkit.SetLanguage(std::u16string(c.language, c.language + std::strlen(c.language)));
    QString title;
    QString pressedText;
    int buttonCount = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        buttonCount = static_cast<int>(box->buttons().size());
        pressedText = box->button(c.press)->text();
        box->button(c.press)->click();
    });
    EXPECT_EQ(toolkit.MessageBox(u"Texto <b>plano</b>", c.buttons), c.expected);
    EXPECT_EQ(title, QStringLiteral("zel"));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttonCount, c.buttons == MessageButtons::OkCancel ? 2 : 1);
    EXPECT_EQ(pressedText.remove(QLatin1Char('&')), QString::fromUtf8(c.pressedText));
    toolkit.SetLanguage(u"en");
}

INSTANTIATE_TEST_SUITE_P(
    Qt, QtMessages,
    testing::Values(MessageCase{"OkAlone", MessageButtons::Ok, "en", QMessageBox::Ok, "OK",
                                DialogResult::Ok},
                    MessageCase{"CancelChosen", MessageButtons::OkCancel, "en", QMessageBox::Cancel,
                                "Cancel", DialogResult::Cancel},
                    MessageCase{"SpanishCancel", MessageButtons::OkCancel, "es",
                                QMessageBox::Cancel, "Cancelar", DialogResult::Cancel},
                    MessageCase{"SpanishOk", MessageButtons::OkCancel, "es", QMessageBox::Ok,
                                "Aceptar", DialogResult::Ok}),
    [](const testing::TestParamInfo<MessageCase>& row) { return std::string(row.param.name); });

TEST_F(QtToolkitTest, TestHookLogsMessagesAndDialogsWithoutShowingThem) {
    QTemporaryDir scratch;
    const QString log = scratch.filePath(QStringLiteral("messages.txt"));
    qputenv("ZEL_AUTOTEST_MESSAGES", log.toLocal8Bit());
    QtToolkit hooked;
    qunsetenv("ZEL_AUTOTEST_MESSAGES");
    EXPECT_EQ(hooked.MessageBox(u"one\ntwo", MessageButtons::OkCancel), DialogResult::Ok);
    ScriptedHandler handler;
    hooked.RunModal(dialog_template::kRs485, handler);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("message: one\\ntwo\ndialog: 103\n"));
}

// ---- Icons.

TEST_F(QtToolkitTest, EveryIconResourceRendersAndFilesLoadOnlyWhenImages) {
    for (int id = icon::kApplication; id <= icon::kConnected; ++id) {
        SCOPED_TRACE(id);
        const QPixmap pixmap = IconFromRef(IconRef::Resource(id)).pixmap(32, 32);
        ASSERT_FALSE(pixmap.isNull());
        const QImage image = pixmap.toImage();
        // Drawn, not empty: the centre region holds opaque pixels.
        int opaque = 0;
        for (int y = 8; y < 24; ++y) {
            for (int x = 8; x < 24; ++x) {
                opaque += qAlpha(image.pixel(x, y)) > 128;
            }
        }
        EXPECT_GT(opaque, 16);
    }
    EXPECT_TRUE(IconFromRef(IconRef::Resource(127)).isNull());

    QTemporaryDir scratch;
    const QString text = scratch.filePath(QStringLiteral("not_an_icon.ico"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("plain text");
    file.close();
    EXPECT_FALSE(toolkit.LoadIconFile(text.toStdString()).IsValid());
    EXPECT_FALSE(toolkit.LoadIconFile("").IsValid());
    EXPECT_FALSE(toolkit.LoadIconFile(scratch.filePath("missing.ico").toStdString()).IsValid());
}

TEST_F(QtToolkitTest, ShippedIconFileHoldsSeveralSizes) {
    const std::string path = std::string(std::getenv("ZEL_PROGRAM_DIR")) + "/Tarvolin.ico";
    EXPECT_TRUE(toolkit.LoadIconFile(path).IsValid());
    QImageReader reader(QString::fromStdString(path));
    EXPECT_EQ(reader.format(), QByteArray("ico"));
    std::vector<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), image.height());
        sizes.push_back(image.width());
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64}));
}

}  // namespace
