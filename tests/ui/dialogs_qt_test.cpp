// The three dialogs on real Qt widgets (offscreen platform), driven by mouse clicks and key
// presses. Message boxes are answered OK through the toolkit's test log
// (ZEL_AUTOTEST_MESSAGES), which also records their texts.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "comm/connection_gmbtcp.h"
#include "config/settings.h"
#include "layout/control_ids.h"
#include "protocol/device_registers.h"
#include "ui/dialogs_fixture.h"
#include "ui/logic/about_dlg.h"
#include "ui/logic/pelec_dlg.h"
#include "ui/logic/rs485_dlg.h"
#include "ui/qt/qt_dialog_host.h"
#include "ui/qt/qt_toolkit.h"

namespace {

namespace reg = device_registers;

QString ToQ(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

class QtDialogsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        static int argc = 1;
        static char name[] = "dialogs_qt_test";
        static char* argv[] = {name, nullptr};
        if (QApplication::instance() == nullptr) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            new QApplication(argc, argv);
        }
        log_ = QString::fromStdString((folder_ / "messages.log").string());
        qputenv("ZEL_AUTOTEST_MESSAGES", log_.toUtf8());
        toolkit_ = std::make_unique<QtToolkit>();
        LoadAnalyser(peer_, AnalyserImage{});
        channel_ = std::make_unique<XCConnectionGMBTCP>("127.0.0.1", peer_.Port());
    }
    void TearDown() override {
        watcher_.reset();
        toolkit_.reset();
        qunsetenv("ZEL_AUTOTEST_MESSAGES");
        DialogTest::TearDown();
    }

    // Runs `user` once the dialog of `templateId` is on screen and waiting for the user (its
    // opening read is over by then), then closes it with Cancel if `user` left it open, so a
    // failing check never leaves the test hanging.
    void AsUser(int templateId, std::function<void(QtDialogHost&)> user) {
        watcher_ = std::make_unique<ShowWatcher>(templateId, std::move(user));
        QApplication::instance()->installEventFilter(watcher_.get());
    }

    class ShowWatcher : public QObject {
    public:
        ShowWatcher(int templateId, std::function<void(QtDialogHost&)> user)
            : templateId_(templateId), user_(std::move(user)) {}
        bool eventFilter(QObject* object, QEvent* event) override {
            auto* dialog = dynamic_cast<QtDialogHost*>(object);
            if (event->type() == QEvent::Show && dialog != nullptr &&
                dialog->TemplateId() == templateId_) {
                QApplication::instance()->removeEventFilter(this);
                // Queued, so that the user acts from the dialog's own modal loop.
                QTimer::singleShot(0, dialog, [this, dialog] {
                    user_(*dialog);
                    if (dialog->isVisible()) {
                        dialog->EndDialog(DialogResult::Cancel);
                    }
                });
            }
            return false;
        }

    private:
        int templateId_;
        std::function<void(QtDialogHost&)> user_;
    };

    // Replaces an edit field's text the way a user does: select all, type.
    static void Retype(QtDialogHost& dialog, int id, const QString& text) {
        auto* edit = qobject_cast<QLineEdit*>(dialog.Control(id));
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    static void ClickButton(QtDialogHost& dialog, int id) {
        QWidget* button = dialog.Control(id);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    static QString FieldText(QtDialogHost& dialog, int id) {
        auto* edit = qobject_cast<QLineEdit*>(dialog.Control(id));
        return edit != nullptr ? edit->text() : QString();
    }

    QStringList Log() const {
        QFile file(log_);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    static QString Message(unsigned text) {
        return QStringLiteral("message: ") + ToQ(LoadText(text));
    }

    QString log_;
    std::unique_ptr<ShowWatcher> watcher_;
    std::unique_ptr<QtToolkit> toolkit_;
    RecordingModbusPeer peer_;
    std::unique_ptr<XCConnection> channel_;
};

TEST_F(QtDialogsTest, Rs485MovesTheDeviceByClicksAndTyping) {
    ConnectionSettings settings;
    settings.portConfig = 3;
    settings.stNum = 7;
    AsUser(dialog_template::kRs485, [](QtDialogHost& dialog) {
        EXPECT_EQ(FieldText(dialog, ctl::kDlgStationNumber), QStringLiteral("7"));
        auto* list = qobject_cast<QComboBox*>(dialog.Control(ctl::kDlgPortConfig));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->currentIndex(), 3);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);                            // 3 -> 4: "9600, 8, N, 1"
        Retype(dialog, ctl::kDlgStationNumber, QStringLiteral("x12"));  // the letter is refused
        EXPECT_EQ(FieldText(dialog, ctl::kDlgStationNumber), QStringLiteral("12"));
        ClickButton(dialog, ctl::kOk);
    });
    ZELRS485Dlg dialog(*toolkit_, settings, channel_.get());
    EXPECT_EQ(dialog.DoModal(), DialogResult::Ok);
    EXPECT_EQ(settings.stNum, 12);
    EXPECT_EQ(settings.portConfig, 4);
    const auto writes = peer_.Writes();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].unit, 7);
    EXPECT_EQ(writes[0].values, (std::vector<std::uint16_t>{12, 4}));
    EXPECT_TRUE(Log().contains(Message(19)));
}

TEST_F(QtDialogsTest, Rs485RefusesStation256AndCancelWritesNothing) {
    ConnectionSettings settings;
    settings.portConfig = 3;
    settings.stNum = 7;
    AsUser(dialog_template::kRs485, [](QtDialogHost& dialog) {
        Retype(dialog, ctl::kDlgStationNumber, QStringLiteral("256"));
        ClickButton(dialog, ctl::kOk);
        EXPECT_TRUE(dialog.isVisible());
        ClickButton(dialog, ctl::kCancel);
        EXPECT_FALSE(dialog.isVisible());
    });
    ZELRS485Dlg dialog(*toolkit_, settings, channel_.get());
    EXPECT_EQ(dialog.DoModal(), DialogResult::Cancel);
    EXPECT_EQ(settings.stNum, 7);
    EXPECT_TRUE(peer_.Writes().empty());
    EXPECT_TRUE(Log().contains(Message(26)));
}

TEST_F(QtDialogsTest, ElectricalWritesTheTypedThresholdInDeviceUnits) {
    AsUser(dialog_template::kElectrical, [](QtDialogHost& dialog) {
        EXPECT_EQ(FieldText(dialog, ctl::kDlgThresholdL1), QStringLiteral("12.3"));
        EXPECT_FALSE(dialog.Control(ctl::kDlgRatioTotal)->isVisible());
        auto* total = qobject_cast<QComboBox*>(dialog.Control(ctl::kDlgMeasureTotal));
        ASSERT_NE(total, nullptr);
        EXPECT_EQ(total->count(), 13);
        Retype(dialog, ctl::kDlgThresholdL2, QStringLiteral("15"));
        ClickButton(dialog, ctl::kOk);
    });
    ZELPELECDlg dialog(*toolkit_, 7, channel_.get());
    EXPECT_EQ(dialog.DoModal(), DialogResult::Ok);
    EXPECT_EQ(peer_.Register32(reg::kThresholdBase[1] + reg::kThresholdHighOffset), 150u);
    // L1 was left as shown: its tenths go back unchanged.
    EXPECT_EQ(peer_.Register32(reg::kThresholdBase[0] + reg::kThresholdHighOffset), 123u);
    EXPECT_TRUE(Log().contains(Message(19)));
}

TEST_F(QtDialogsTest, ElectricalTakesADecimalTypedIntoATenthsField) {
    bool typed = false;
    AsUser(dialog_template::kElectrical, [&](QtDialogHost& dialog) {
        Retype(dialog, ctl::kDlgThresholdL1, QStringLiteral("12.4"));
        typed = FieldText(dialog, ctl::kDlgThresholdL1) == QStringLiteral("12.4");
        if (typed) {
            ClickButton(dialog, ctl::kOk);
        }
    });
    ZELPELECDlg dialog(*toolkit_, 7, channel_.get());
    const DialogResult result = dialog.DoModal();
    ASSERT_TRUE(typed) << "the threshold field refused a decimal point";
    EXPECT_EQ(result, DialogResult::Ok);
    EXPECT_EQ(peer_.Register32(reg::kThresholdBase[0] + reg::kThresholdHighOffset), 124u);
}

TEST_F(QtDialogsTest, AboutShowsTheProductAndClosesWithItsButton) {
    WriteSettings("ZEL Software", "missing.ico");
    bool closed = false;
    AsUser(dialog_template::kAbout, [&](QtDialogHost& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Acerca de ZEL Software"));
        auto* line = qobject_cast<QLabel*>(dialog.Control(ctl::kAboutProductLine));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->text(), QString::fromUtf8("ZEL Software, versión 1.1"));
        ClickButton(dialog, ctl::kOk);
        closed = !dialog.isVisible();
    });
    CAboutDlg about(*toolkit_);
    about.DoModal();
    EXPECT_TRUE(closed);
}

}  // namespace
