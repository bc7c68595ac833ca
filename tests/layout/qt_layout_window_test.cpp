#include "ui/layout_qt/qt_layout_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <map>
#include <memory>

#include "layout/control_ids.h"
#include "layout/layout_metrics.h"
#include "layout/named_case.h"
#include "layout/test_metrics.h"
#include "layout/window_layouts.h"
#include "ui/layout_qt/qt_layout_device.h"

namespace {

// A style whose frame width the test chooses.
class FrameStyle : public QProxyStyle {
public:
    explicit FrameStyle(int frame) : QProxyStyle("fusion"), frame_(frame) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_DefaultFrameWidth) {
            return frame_;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int frame_;
};

// The RS-485 dialog's widgets in a real QDialog, found by id.
class QtLayoutWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "qt_layout_window_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }

    void SetUp() override {
        dialog.setStyle(style.get());
        for (int i = 0; i < 6; ++i) {
            list->addItem(QString("item %1").arg(i));
        }
        controls = {{ctl::kDlgPortConfig, list},
                    {ctl::kDlgPortConfigLabel, new QLabel("port", &dialog)},
                    {ctl::kDlgStationNumber, new QLineEdit(&dialog)},
                    {ctl::kDlgStationNumberLabel, new QLabel("station", &dialog)},
                    {ctl::kOk, new QPushButton("OK", &dialog)},
                    {ctl::kCancel, new QPushButton("Cancel", &dialog)}};
        dialog.resize(300, 200);
        dialog.show();
    }

    QtLayoutWindow Window() {
        return QtLayoutWindow(&dialog, [this](int id) -> QWidget* {
            auto it = controls.find(id);
            return it == controls.end() ? nullptr : it->second;
        });
    }

    // Pixels from the list's bottom edge to the bottom of its opened popup; 0 when none shows.
    int OpenedReach() {
        list->showPopup();
        QWidget* popup = list->view()->window();
        const int top = popup->geometry().top();
        const int bottom = popup->geometry().bottom() + 1;
        const int listBottom = list->mapToGlobal(QPoint(0, list->height())).y();
        list->hidePopup();
        EXPECT_EQ(top, listBottom) << "the opened list starts right below the control";
        return bottom - listBottom;
    }

    std::unique_ptr<QStyle> style = std::make_unique<FrameStyle>(2);
    QDialog dialog;
    QComboBox* list = new QComboBox(&dialog);
    std::map<int, QWidget*> controls;
};

TEST_F(QtLayoutWindowTest, Rs485DialogLandsOnTheSameRectanglesAsHeadless) {
    SetLayoutMetrics(Metrics96());
    QtLayoutWindow window = Window();
    ASSERT_EQ(window.EdgeHeight(), 2);
    ASSERT_TRUE(LayoutRs485Dialog(window));
    // Worked out in window_layouts_test.cpp for a 300 x 200 client area, T = 13, E = 2.
    EXPECT_EQ(list->geometry(), QRect(8, 26, 285, 19));
    EXPECT_EQ(controls[ctl::kDlgPortConfigLabel]->geometry(), QRect(8, 12, 285, 13));
    EXPECT_EQ(controls[ctl::kDlgStationNumber]->geometry(), QRect(8, 69, 285, 19));
    EXPECT_EQ(controls[ctl::kOk]->geometry(), QRect(16, 165, 130, 28));
    EXPECT_EQ(controls[ctl::kCancel]->geometry(), QRect(154, 165, 130, 28));
    EXPECT_EQ(OpenedReach(), 150);
}

TEST_F(QtLayoutWindowTest, ListReachDoesNotAccumulateAndFollowsTheControl) {
    QtLayoutWindow window = Window();
    window.MoveControl(ctl::kDlgPortConfig, 10, 20, 200, 24, false);
    window.SetDropDownReach(ctl::kDlgPortConfig, 150);
    window.SetDropDownReach(ctl::kDlgPortConfig, 150);
    EXPECT_EQ(OpenedReach(), 150);
    window.MoveControl(ctl::kDlgPortConfig, 10, 60, 200, 30, false);
    EXPECT_EQ(OpenedReach(), 150);
    window.SetDropDownReach(ctl::kDlgPortConfig, 90);
    EXPECT_EQ(OpenedReach(), 90);
}

TEST_F(QtLayoutWindowTest, ReachHoldsForManyItemsAndAnyCurrentItem) {
    for (int i = 0; i < 250; ++i) {
        list->addItem(QString("COM%1").arg(i + 1));
    }
    list->setCurrentIndex(200);
    QtLayoutWindow window = Window();
    window.MoveControl(ctl::kDlgPortConfig, 10, 20, 200, 24, false);
    window.SetDropDownReach(ctl::kDlgPortConfig, 150);
    EXPECT_EQ(OpenedReach(), 150);
}

TEST_F(QtLayoutWindowTest, ControlsByIdAndUnknownIds) {
    QtLayoutWindow window = Window();
    EXPECT_TRUE(window.HasControl(ctl::kOk));
    EXPECT_FALSE(window.HasControl(4242));
    window.MoveControl(4242, 1, 2, 3, 4, false);  // nothing to move, nothing breaks
    window.SetDropDownReach(4242, 150);
    window.SetDropDownReach(ctl::kOk, 150);  // not a list: ignored

    window.MoveControl(ctl::kOk, 5, 6, 70, 20, false);
    const LayoutRect r = window.ControlRect(ctl::kOk);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
    EXPECT_EQ(r.right, 75);  // exclusive
    EXPECT_EQ(r.bottom, 26);
    const LayoutRect unknown = window.ControlRect(4242);
    EXPECT_EQ(unknown.right - unknown.left, 0);

    // A window too small for its content gives negative sizes; the widget collapses to 0.
    window.MoveControl(ctl::kOk, 5, 6, -12, -3, false);
    EXPECT_EQ(controls[ctl::kOk]->size(), QSize(0, 0));

    const LayoutRect client = window.ClientRect();
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
}

struct EdgeCase {
    const char* name;
    int styleFrame;
    int expected;
};

class QtEdgeHeightTest : public QtLayoutWindowTest, public testing::WithParamInterface<EdgeCase> {};

TEST_P(QtEdgeHeightTest, FrameWidthOrTwo) {
    FrameStyle chosen(GetParam().styleFrame);
    dialog.setStyle(&chosen);
    EXPECT_EQ(Window().EdgeHeight(), GetParam().expected);
    dialog.setStyle(style.get());
}

INSTANTIATE_TEST_SUITE_P(Styles, QtEdgeHeightTest,
                         testing::Values(EdgeCase{"NoFrameGivesTwo", 0, 2},
                                         EdgeCase{"NegativeGivesTwo", -1, 2},
                                         EdgeCase{"OnePixel", 1, 1}, EdgeCase{"ThreePixels", 3, 3}),
                         [](const auto& row) { return row.param.name; });

TEST_F(QtLayoutWindowTest, DesktopMetricsAreSane) {
    InitLayoutMetricsFromDesktop();
    const QtLayoutDevice device;
    const LayoutMetrics& m = CurrentLayoutMetrics();
    // 8 points at the vertical resolution: the font is about 8 / 72 inch; its line height
    // (T - 1) is at least that and well under three times it.
    const double fontPixels = 8.0 * device.LogicalDpiY() / 72.0;
    EXPECT_GE(m.textHeight - 1, static_cast<int>(fontPixels));
    EXPECT_LT(m.textHeight - 1, 3 * fontPixels);
    EXPECT_FLOAT_EQ(m.pixelsPerMmY, device.LogicalDpiY() / 25.4f);
    // Large is 10 mm: within a pixel of 10 x pixels per mm across.
    EXPECT_NEAR(m.large.x, 10.0 * device.LogicalDpiX() / 25.4, 0.5);
}

}  // namespace
