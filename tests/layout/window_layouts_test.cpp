#include "layout/window_layouts.h"
#include "layout/named_case.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "layout/control_ids.h"
#include "layout/fake_layout_window.h"
#include "layout/test_metrics.h"

namespace {

enum class Window { Main, Rs485, Electrical };

constexpr double kThreeLine = 0.0;
constexpr double kOneLine = 67367.0;

// Every control of the window's template.
FakeLayoutWindow MakeWindow(Window w, int width, int height, int edge = 2) {
    FakeLayoutWindow f(width, height, edge);
    switch (w) {
        case Window::Main:
            f.Add({ctl::kStatusText, ctl::kStatusIcon});
            f.AddRange(1100, 1112);
            f.AddRange(1201, 1207);
            f.AddRange(1301, 1306);
            f.AddRange(1401, 1405);
            f.AddRange(1407, 1430);
            break;
        case Window::Rs485:
            f.Add({ctl::kOk, ctl::kCancel, ctl::kStatusText});
            f.AddRange(1501, 1504);
            break;
        case Window::Electrical:
            f.Add({ctl::kOk, ctl::kCancel, ctl::kWorkingModeNote, ctl::kStatusText});
            f.AddRange(1407, 1410);
            f.AddRange(1601, 1622);
            break;
    }
    return f;
}

bool RunLayout(Window w, LayoutWindow& f, double model) {
    switch (w) {
        case Window::Main:
            return LayoutMainWindow(f, model);
        case Window::Rs485:
            return LayoutRs485Dialog(f);
        case Window::Electrical:
            return LayoutElectricalDialog(f, model);
    }
    return false;
}

struct PlacementCase {
    const char* name;
    Window window;
    double model;
    int control;
    std::optional<Placement> expected;  // empty: the layout leaves the control where it was
};

class WindowPlacementTest : public testing::TestWithParam<PlacementCase> {
protected:
    void SetUp() override { SetLayoutMetrics(Metrics96()); }
};

// 96 dpi, T = 13, E = 2: s = SpaceSmall 8, h = SpaceSmallHalf 4, L = SpaceLargeHalf 19,
// M = SpaceMinimal (0, 1); SizeRow 19, SizeLabelledField 2T + 8 + 1 = 35, SizeButton 28,
// SizeDoubleButton 2 x 24 + 4 = 52. Spans are inclusive; R rounds exact halves down.
//
// A labelled field's column is untitled and vertical, so it starts E below its slot: label T
// high, M gap, and the field takes the rest.
TEST_P(WindowPlacementTest, ControlLandsOnHandComputedRectangle) {
    const PlacementCase& c = GetParam();
    FakeLayoutWindow f = MakeWindow(c.window,
                                    c.window == Window::Main    ? 800
                                    : c.window == Window::Rs485 ? 300
                                                                : 600,
                                    c.window == Window::Main    ? 500
                                    : c.window == Window::Rs485 ? 200
                                                                : 300);
    ASSERT_TRUE(RunLayout(c.window, f, c.model));
    if (c.expected) {
        EXPECT_EQ(f.At(c.control), *c.expected);
    } else {
        EXPECT_FALSE(f.Moved(c.control));
    }
}

// ---- Main window, client 800 x 500: root x 8..792 (785), y 2 (E) .. 500 (499). ----
// Connection hint: 2 + 8 + 18 + (8 + 19 + 8 + 35 + 8 + 35 + 8) = 149. Fixed: 6 gaps 48 + 149 +
// buttons 52 = 249; A = 250: information 50, RS-485 50, electrical 150. So: connection 10..158,
// information 167..216, RS-485 225..274, electrical 283..432, buttons 441..492.
//
// Connection: inset 8 -> x 16..784 (769), top 10 + 18 = 28: link row 36..54, serial row
// 63..97, network row 106..140.
//   Link row: A = 769 - 16 = 753: 40 % R(301.2) = 301 at 24; 45 % R(338.85) = 339 at 333;
//   stretch 5 % R(37.65) = 38 at 672; 10 % R(75.3) = 75 at 710..784.
//   Serial row: A = 769 - 20 = 749: 25 % R(187.25) = 187 columns at 24, 215, 406. Columns
//   63..97: label 65..77, field 79..97 (19).
//   Network row: A = 753: 40 % 301 at 24; 20 % R(150.6) = 151 at 329; stretch 151 at 484;
//   update 151 at 635 (to 785, one past the inset: each share rounded up).
// Information: frame 167..216, inset -> x 16..784, y 184 (T + 2E band) .. 208. A = 753:
//   33 % R(248.49) = 248 at 24, 34 % R(256.02) = 256 at 276, 33 % 248 at 536. Columns
//   184..208: label 186..198, field 200..208 (9).
// RS-485: frame 225..274 -> y 242..266; A = 757: 50 % R(378.5) = 378 at 24 and 406; fields
//   258..266.
// Electrical, three-line: frame 283..432 -> y 301..424 (124). Fixed 4 + 19 + 4 + 3 x 4 = 39,
//   A = 85: 18 % R(15.3) = 15, 16 % R(13.6) = 14. Mode 305..319, header 339..353, value rows
//   at 358, 376, 394, 412. Rows x 16..784: A = 769 - 48 = 721: 16 % R(115.36) = 115 at 24,
//   21 % R(151.41) = 151 at 147, 306, 465, 624; the note 63 % R(454.23) = 454 at 306.
// Electrical, one-line: fixed 16, A = 108: 25 % = 27; rows at 305, 336, 367, 398.
// Buttons: x 8..792, A = 785: stretch 10 % R(78.5) = 78, 30 % R(235.5) = 235 at 86, stretch
//   20 % 157, 30 % 235 at 478.
INSTANTIATE_TEST_SUITE_P(
    MainWindow, WindowPlacementTest,
    testing::Values(
        PlacementCase{"ConnectionFrame", Window::Main, kThreeLine, 1100, {{8, 10, 785, 149}}},
        PlacementCase{"ConnectionType", Window::Main, kThreeLine, 1101, {{24, 36, 301, 19}}},
        PlacementCase{"StatusText", Window::Main, kThreeLine, 1004, {{333, 36, 339, 19}}},
        PlacementCase{"StatusIcon", Window::Main, kThreeLine, 1214, {{710, 36, 75, 19}}},
        PlacementCase{"ComPortLabel", Window::Main, kThreeLine, 1103, {{24, 65, 187, 13}}},
        PlacementCase{"ComPort", Window::Main, kThreeLine, 1102, {{24, 79, 187, 19}}},
        PlacementCase{"StationNumber", Window::Main, kThreeLine, 1106, {{406, 79, 187, 19}}},
        PlacementCase{"Address", Window::Main, kThreeLine, 1108, {{24, 122, 301, 19}}},
        PlacementCase{"Socket", Window::Main, kThreeLine, 1110, {{329, 122, 151, 19}}},
        PlacementCase{"UpdateButton", Window::Main, kThreeLine, 1112, {{635, 106, 151, 35}}},
        PlacementCase{"InfoFrame", Window::Main, kThreeLine, 1201, {{8, 167, 785, 50}}},
        PlacementCase{"Model", Window::Main, kThreeLine, 1207, {{24, 200, 248, 9}}},
        PlacementCase{"HardwareVersion", Window::Main, kThreeLine, 1203, {{276, 200, 256, 9}}},
        PlacementCase{"SoftwareVersion", Window::Main, kThreeLine, 1205, {{536, 200, 248, 9}}},
        PlacementCase{"DevicePortConfig", Window::Main, kThreeLine, 1304, {{24, 258, 378, 9}}},
        PlacementCase{"DeviceStation", Window::Main, kThreeLine, 1306, {{406, 258, 378, 9}}},
        PlacementCase{"ElectricalFrame", Window::Main, kThreeLine, 1401, {{8, 283, 785, 150}}},
        PlacementCase{"WorkingModeLabel", Window::Main, kThreeLine, 1403, {{24, 305, 115, 15}}},
        PlacementCase{"WorkingMode", Window::Main, kThreeLine, 1402, {{147, 305, 151, 15}}},
        PlacementCase{"WorkingModeNote", Window::Main, kThreeLine, 1404, {{306, 305, 454, 15}}},
        PlacementCase{"HeadL1", Window::Main, kThreeLine, 1407, {{147, 339, 151, 15}}},
        PlacementCase{"HeadTotal", Window::Main, kThreeLine, 1410, {{624, 339, 151, 15}}},
        PlacementCase{"RatioLabel", Window::Main, kThreeLine, 1411, {{24, 358, 115, 14}}},
        PlacementCase{"RatioL1", Window::Main, kThreeLine, 1412, {{147, 358, 151, 14}}},
        PlacementCase{"DelayTotal", Window::Main, kThreeLine, 1430, {{624, 412, 151, 14}}},
        PlacementCase{"Rs485Button", Window::Main, kThreeLine, 1302, {{86, 441, 235, 52}}},
        PlacementCase{"ElectricalButton", Window::Main, kThreeLine, 1405, {{478, 441, 235, 52}}},
        PlacementCase{
            "NanModelIsThreeLine", Window::Main, std::nan(""), 1402, {{147, 305, 151, 15}}},
        PlacementCase{"OneLineRatioLabel", Window::Main, kOneLine, 1411, {{24, 305, 115, 27}}},
        PlacementCase{"OneLineDelayLabel", Window::Main, kOneLine, 1426, {{24, 398, 115, 27}}},
        PlacementCase{"OneLineDelayTotal", Window::Main, kOneLine, 1430, {{624, 398, 151, 27}}},
        PlacementCase{"OneLineLeavesWorkingMode", Window::Main, kOneLine, 1402, std::nullopt},
        PlacementCase{"OneLineLeavesHeads", Window::Main, kOneLine, 1407, std::nullopt}),
    [](const auto& row) { return row.param.name; });

// ---- RS-485 dialog, client 300 x 200: root x 8..292 (285), y 2..200 (199). ----
// Fixed 8 + 35 + 8 + 35 + 28 + 8 = 122, A = 77 for the stretch. Port field slot 10..44: label
// 12..24, field 26..44; station slot 53..87: label 55..67, field 69..87; buttons 165..192.
// Buttons: A = 285 - 24 = 261, 50 % R(130.5) = 130: OK at 16, Cancel at 16 + 130 + 8 = 154.
// Status box: the stretch 88..164 (77 px); untitled, so from 88 + E = 90; gap 8 -> 98..110.
INSTANTIATE_TEST_SUITE_P(
    Rs485Dialog, WindowPlacementTest,
    testing::Values(PlacementCase{"PortConfigLabel", Window::Rs485, 0, 1502, {{8, 12, 285, 13}}},
                    PlacementCase{"PortConfig", Window::Rs485, 0, 1501, {{8, 26, 285, 19}}},
                    PlacementCase{"StationLabel", Window::Rs485, 0, 1504, {{8, 55, 285, 13}}},
                    PlacementCase{"Station", Window::Rs485, 0, 1503, {{8, 69, 285, 19}}},
                    PlacementCase{"Status", Window::Rs485, 0, 1004, {{8, 98, 285, 13}}},
                    PlacementCase{"Ok", Window::Rs485, 0, ctl::kOk, {{16, 165, 130, 28}}},
                    PlacementCase{"Cancel", Window::Rs485, 0, ctl::kCancel, {{154, 165, 130, 28}}}),
    [](const auto& row) { return row.param.name; });

// ---- Electrical dialog, client 600 x 300: root x 8..592 (585), y 2..300 (299). ----
// Fixed 8 + 8 + 28 + 8 = 52, A = 247: body 10..256, buttons 265..292.
// Body (untitled, so from 12): 245 px.
//   Four columns: fixed 4 + 19 + 4 + 4 x 19 = 103, A = 142: 18 % R(25.56) = 26,
//   16 % R(22.72) = 23. Mode 16..41, header 61..86, rows at 91, 133, 175, 217 (each 19 + 23).
//   Rows: A = 585 - 48 = 537: 16 % R(85.92) = 86 at 16, 21 % R(112.77) = 113 at 110, 231, 352,
//   473; the note 63 % R(338.31) = 338 at 231.
//   One column: fixed 4 + 4 x 19 = 80, A = 165: 25 % R(41.25) = 41; rows at 16, 76, 136, 196.
//   Rows: three gaps, A = 585 - 24 = 561: 16 % R(89.76) = 90 at 16, 21 % R(117.81) = 118 at 114.
// Buttons: A = 585 - 24 = 561, 50 % R(280.5) = 280: OK at 16, Cancel at 304.
// Status box after the last row, full body width 8..592: four columns 236..258, from 236 + E =
// 238, gap 4 -> 242..254; one column 215..255, from 217, gap 4 -> 221..233.
INSTANTIATE_TEST_SUITE_P(
    ElectricalDialog, WindowPlacementTest,
    testing::Values(
        PlacementCase{"ModeLabel", Window::Electrical, kThreeLine, 1602, {{16, 16, 86, 26}}},
        PlacementCase{"Mode", Window::Electrical, kThreeLine, 1601, {{110, 16, 113, 26}}},
        PlacementCase{"ModeNote", Window::Electrical, kThreeLine, 1404, {{231, 16, 338, 26}}},
        PlacementCase{"HeadL1", Window::Electrical, kThreeLine, 1407, {{110, 61, 113, 26}}},
        PlacementCase{"HeadTotal", Window::Electrical, kThreeLine, 1410, {{473, 61, 113, 26}}},
        PlacementCase{"RatioLabel", Window::Electrical, kThreeLine, 1603, {{16, 91, 86, 19}}},
        PlacementCase{"RatioL1", Window::Electrical, kThreeLine, 1604, {{110, 91, 113, 19}}},
        PlacementCase{"RatioTotal", Window::Electrical, kThreeLine, 1607, {{473, 91, 113, 19}}},
        PlacementCase{"MeasureL2", Window::Electrical, kThreeLine, 1610, {{231, 133, 113, 19}}},
        PlacementCase{"DelayLabel", Window::Electrical, kThreeLine, 1618, {{16, 217, 86, 19}}},
        PlacementCase{"DelayTotal", Window::Electrical, kThreeLine, 1622, {{473, 217, 113, 19}}},
        PlacementCase{"Ok", Window::Electrical, kThreeLine, ctl::kOk, {{16, 265, 280, 28}}},
        PlacementCase{
            "Cancel", Window::Electrical, kThreeLine, ctl::kCancel, {{304, 265, 280, 28}}},
        PlacementCase{"Status", Window::Electrical, kThreeLine, 1004, {{8, 242, 585, 13}}},
        PlacementCase{"OneLineStatus", Window::Electrical, kOneLine, 1004, {{8, 221, 585, 13}}},
        PlacementCase{"OneLineRatioLabel", Window::Electrical, kOneLine, 1603, {{16, 16, 90, 19}}},
        PlacementCase{"OneLineRatioL1", Window::Electrical, kOneLine, 1604, {{114, 16, 118, 19}}},
        PlacementCase{"OneLineDelayL1", Window::Electrical, kOneLine, 1619, {{114, 196, 118, 19}}},
        PlacementCase{"OneLineLeavesRatioL2", Window::Electrical, kOneLine, 1605, std::nullopt},
        PlacementCase{"OneLineLeavesMode", Window::Electrical, kOneLine, 1601, std::nullopt}),
    [](const auto& row) { return row.param.name; });

struct PassCase {
    const char* name;
    Window window;
    double model;
    int guard;
    std::vector<int> dropDowns;
};

class LayoutPassTest : public testing::TestWithParam<PassCase> {
protected:
    void SetUp() override { SetLayoutMetrics(Metrics96()); }
};

TEST_P(LayoutPassTest, MovesWithoutRepaintThenOpensListsAndRepaintsOnce) {
    const PassCase& c = GetParam();
    FakeLayoutWindow f = MakeWindow(c.window, 640, 480);
    ASSERT_TRUE(RunLayout(c.window, f, c.model));
    EXPECT_EQ(f.repaintedMoves, 0);
    EXPECT_EQ(f.invalidations, 1);
    for (int id : c.dropDowns) {
        EXPECT_EQ(f.Reach(id), 150) << "list " << id;
    }
}

TEST_P(LayoutPassTest, MissingGuardChangesNothing) {
    const PassCase& c = GetParam();
    FakeLayoutWindow f = MakeWindow(c.window, 640, 480);
    f.Remove(c.guard);
    EXPECT_FALSE(RunLayout(c.window, f, c.model));
    EXPECT_TRUE(f.moveLog.empty());
    EXPECT_EQ(f.invalidations, 0);
    for (int id : c.dropDowns) {
        EXPECT_EQ(f.Reach(id), 0) << "list " << id;
    }
}

TEST_P(LayoutPassTest, RepeatedPassesGiveTheSameRectanglesAndListReach) {
    const PassCase& c = GetParam();
    FakeLayoutWindow f = MakeWindow(c.window, 640, 480);
    ASSERT_TRUE(RunLayout(c.window, f, c.model));
    std::vector<Placement> first;
    for (int id : c.dropDowns) {
        first.push_back(f.At(id));
    }
    ASSERT_TRUE(RunLayout(c.window, f, c.model));
    for (size_t i = 0; i < c.dropDowns.size(); ++i) {
        EXPECT_EQ(f.At(c.dropDowns[i]), first[i]) << "list " << c.dropDowns[i];
        EXPECT_EQ(f.Reach(c.dropDowns[i]), 150) << "list " << c.dropDowns[i];
    }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LayoutPassTest,
    testing::Values(
        PassCase{"Main", Window::Main, kThreeLine, 1100, {1101, 1102, 1104}},
        PassCase{"Rs485", Window::Rs485, 0, 1501, {1501}},
        PassCase{
            "Electrical", Window::Electrical, kThreeLine, 1603, {1609, 1610, 1611, 1612, 1601}},
        // The lists of the hidden columns still get their reach.
        PassCase{"ElectricalOneLine",
                 Window::Electrical,
                 kOneLine,
                 1603,
                 {1609, 1610, 1611, 1612, 1601}}),
    [](const auto& row) { return row.param.name; });

struct ConnectionCase {
    const char* name;
    int t;
    int e;
    int s;
    int m;
    int expected;  // 6T + 3E + 5s + 2M + 23
};

class ConnectionHeightTest : public testing::TestWithParam<ConnectionCase> {};

TEST_P(ConnectionHeightTest, ConnectionBoxIsAsHighAsItsHint) {
    const ConnectionCase& c = GetParam();
    LayoutMetrics m = Metrics96(c.t);
    m.small = {c.s, c.s};
    m.minimal = {0, c.m};
    SetLayoutMetrics(m);
    FakeLayoutWindow f = MakeWindow(Window::Main, 800, 600, c.e);
    ASSERT_TRUE(LayoutMainWindow(f, kThreeLine));
    EXPECT_EQ(f.At(ctl::kConnectionGroup).height, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Metrics, ConnectionHeightTest,
                         testing::Values(
                             // 78 + 6 + 40 + 2 + 23
                             ConnectionCase{"T13E2S8M1", 13, 2, 8, 1, 149},
                             // 96 + 3 + 50 + 4 + 23
                             ConnectionCase{"T16E1S10M2", 16, 1, 10, 2, 176},
                             // 120 + 9 + 30 + 0 + 23
                             ConnectionCase{"T20E3S6M0", 20, 3, 6, 0, 182}),
                         [](const auto& row) { return row.param.name; });

TEST(MainWindowLayout, MissingOrdinaryControlLeavesItsSlotEmpty) {
    SetLayoutMetrics(Metrics96());
    FakeLayoutWindow f = MakeWindow(Window::Main, 800, 500);
    f.Remove(ctl::kConnectionType);
    ASSERT_TRUE(LayoutMainWindow(f, kThreeLine));
    // Same place as with the list present (see the main-window table).
    EXPECT_EQ(f.At(ctl::kStatusText), (Placement{333, 36, 339, 19}));
    EXPECT_EQ(f.Reach(ctl::kConnectionType), 0);
}

}  // namespace
