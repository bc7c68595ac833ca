// The real main window on Qt Widgets (offscreen platform) against zel-sim on Modbus TCP: a
// click on Update fills the display and shows the connected icon.
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "app/string_table.h"
#include "layout/control_ids.h"
#include "ui/layout_qt/qt_layout_device.h"
#include "ui/logic/zel_dlg.h"
#include "ui/main_window_sim.h"
#include "ui/qt/qt_dialog_host.h"
#include "ui/qt/qt_icons.h"
#include "ui/qt/qt_toolkit.h"

namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "main_window_qt_test";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* created = new QApplication(argc, argv);
        // As at start-up: the layout's measures come from the desktop before any window.
        InitLayoutMetricsFromDesktop();
        return created;
    }();
    return *application;
}

// What the icon control paints, on a transparent background.
QImage PaintedIcon(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Icon resource `id` painted the way an icon control paints it: centred, as large as fits.
QImage ExpectedIcon(int id, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const int side = std::min(size.width(), size.height());
    QIcon(IconResourcePath(id))
        .paint(&painter, QRect((size.width() - side) / 2, (size.height() - side) / 2, side, side));
    return image;
}

class MainWindowQtTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application();
        const char* programDir = std::getenv("ZEL_PROGRAM_DIR");
        ASSERT_NE(programDir, nullptr);
        ASSERT_TRUE(StringTable().Open(std::string(programDir) + "/ZELSoftware.en.stc"));
        char previous[PATH_MAX];
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        previousFolder = previous;
        std::string pattern = ::testing::TempDir() + "zel-main-window-qt-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
        ASSERT_EQ(chdir(scratch.c_str()), 0);
    }

    void TearDown() override {
        if (!previousFolder.empty()) {
            EXPECT_EQ(chdir(previousFolder.c_str()), 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }

    std::string scratch;
    std::string previousFolder;
};

TEST_F(MainWindowQtTest, UpdateFillsTheDisplayFromTheDevice) {
    SimProcess sim({"--model", "three", "--modbus-tcp", "0"}, 1);
    ASSERT_TRUE(sim.Started());
    // "modbus-tcp 127.0.0.1:PORT"
    const std::string& announced = sim.Announcements().front();
    const std::string port = announced.substr(announced.rfind(':') + 1);
    std::ofstream("default.xcfg") << "<config><comType>3</comType><stNum>1</stNum>"
                                     "<ipAddress>127.0.0.1</ipAddress><ipSocket>"
                                  << port << "</ipSocket></config>";

    QtToolkit toolkit;
    CZELDlg window(toolkit);
    struct Seen {
        std::u16string model, hardware, software, ratio, threshold, delayTotal, status;
        bool rs485Enabled = false;
        bool iconBefore = false;
        bool iconAfter = false;
        bool iconsDiffer = false;
    } seen;
    QTimer::singleShot(0, [&] {
        QtDialogHost* dialog = toolkit.RunningDialogs().back();
        QWidget* stateIcon = dialog->Control(ctl::kStatusIcon);
        seen.iconBefore =
            PaintedIcon(stateIcon) == ExpectedIcon(icon::kNotConnected, stateIcon->size());
        auto* update = qobject_cast<QPushButton*>(dialog->Control(ctl::kUpdateButton));
        if (update != nullptr) {
            QTest::mouseClick(update, Qt::LeftButton);
        }
        seen.model = dialog->GetText(ctl::kModel);
        seen.hardware = dialog->GetText(ctl::kHardwareVersion);
        seen.software = dialog->GetText(ctl::kSoftwareVersion);
        seen.ratio = dialog->GetText(ctl::kRatioL2);
        seen.threshold = dialog->GetText(ctl::kThresholdL1);
        seen.delayTotal = dialog->GetText(ctl::kDelayTotal);
        seen.status = dialog->GetText(ctl::kStatusText);
        seen.rs485Enabled = dialog->IsEnabled(ctl::kRs485Button);
        seen.iconAfter =
            PaintedIcon(stateIcon) == ExpectedIcon(icon::kConnected, stateIcon->size());
        // Identical images would make both icon checks pass whatever the window showed.
        seen.iconsDiffer = ExpectedIcon(icon::kConnected, stateIcon->size()) !=
                           ExpectedIcon(icon::kNotConnected, stateIcon->size());
        // The README's picture of the window after a read is taken here on request.
        if (const char* screenshot = std::getenv("ZEL_SCREENSHOT"); screenshot != nullptr) {
            dialog->grab().save(QString::fromLocal8Bit(screenshot));
        }
        dialog->EndDialog(DialogResult::Cancel);
    });
    window.DoModal();

    ASSERT_TRUE(seen.iconsDiffer);
    EXPECT_TRUE(seen.iconBefore);
    EXPECT_EQ(seen.model, u"ZEL Three");
    EXPECT_EQ(seen.hardware, u"1.2");
    EXPECT_EQ(seen.software, u"10.5");
    EXPECT_EQ(seen.ratio, u"100");
    EXPECT_EQ(seen.threshold, u"230.5");
    EXPECT_EQ(seen.delayTotal, u"30");
    EXPECT_EQ(seen.status, u"");
    EXPECT_TRUE(seen.rs485Enabled);
    EXPECT_TRUE(seen.iconAfter);
}

}  // namespace
