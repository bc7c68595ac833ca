#include "layout/layout_metrics.h"
#include "layout/named_case.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "layout/test_metrics.h"

namespace {

struct RoundCase {
    const char* name;
    double value;
    int expected;
};

class RoundHalfTowardZeroTest : public testing::TestWithParam<RoundCase> {};

TEST_P(RoundHalfTowardZeroTest, Rounds) {
    EXPECT_EQ(RoundHalfTowardZero(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RoundHalfTowardZeroTest,
    testing::Values(RoundCase{"ExactHalfDown", 2.5, 2}, RoundCase{"JustAboveHalfUp", 2.51, 3},
                    RoundCase{"NegativeHalfTowardZero", -2.5, -2},
                    RoundCase{"NegativeAboveHalfAway", -2.51, -3},
                    RoundCase{"ZeroPointFive", 0.5, 0}, RoundCase{"BelowHalfDown", 36.4, 36},
                    RoundCase{"AboveHalfUp", 40.95, 41}, RoundCase{"Integer", 7.0, 7},
                    RoundCase{"HugeSaturates", 1e12, INT_MAX},
                    RoundCase{"HugeNegativeSaturates", -1e12, INT_MIN},
                    RoundCase{"NanIsZero", std::nan(""), 0}),
    [](const auto& row) { return row.param.name; });

// A screen of fixed resolution whose font's line height is a fixed number of pixels more than
// the font's character height; records the character height it was asked for.
class FixedDevice : public LayoutDevice {
public:
    FixedDevice(int dpiX, int dpiY, int leading) : dpiX_(dpiX), dpiY_(dpiY), leading_(leading) {}
    int LogicalDpiX() const override { return dpiX_; }
    int LogicalDpiY() const override { return dpiY_; }
    int SampleTextHeight(const std::u16string& sample, int fontPixelHeight) const override {
        askedSample = sample;
        askedPixels = fontPixelHeight;
        return fontPixelHeight + leading_;
    }
    mutable std::u16string askedSample;
    mutable int askedPixels = 0;

private:
    int dpiX_;
    int dpiY_;
    int leading_;
};

struct InitCase {
    const char* name;
    int dpiX;
    int dpiY;
    int fontPixels;  // worked out in the row's comment
    LayoutMetrics expected;
};

LayoutMetrics Expected(int t, PixelPair minimal, PixelPair small, PixelPair medium,
                       PixelPair large) {
    LayoutMetrics m;
    m.textHeight = t;
    m.minimal = minimal;
    m.small = small;
    m.smallHalf = {small.x / 2, small.y / 2};
    m.medium = medium;
    m.mediumHalf = {medium.x / 2, medium.y / 2};
    m.large = large;
    m.largeHalf = {large.x / 2, large.y / 2};
    return m;
}

class InitLayoutMetricsTest : public testing::TestWithParam<InitCase> {};

TEST_P(InitLayoutMetricsTest, MeasuresFontAndConvertsStartUpMillimetres) {
    const InitCase& c = GetParam();
    FixedDevice device(c.dpiX, c.dpiY, 2);
    InitLayoutMetrics(device, 8.0f, 0.0f, 0.3f, 2.0f, 4.0f, 10.0f);
    const LayoutMetrics& m = CurrentLayoutMetrics();

    EXPECT_EQ(device.askedSample, u"\u00CF\u00C9p&M\u00D1\u00CE\u00E7j_");
    EXPECT_EQ(device.askedPixels, c.fontPixels);
    EXPECT_EQ(m.textHeight, c.expected.textHeight);
    EXPECT_FLOAT_EQ(m.pixelsPerMmX, c.dpiX / 25.4f);
    EXPECT_FLOAT_EQ(m.pixelsPerMmY, c.dpiY / 25.4f);
    const PixelPair got[] = {m.minimal,    m.small, m.smallHalf, m.medium,
                             m.mediumHalf, m.large, m.largeHalf};
    const PixelPair want[] = {c.expected.minimal,  c.expected.small,      c.expected.smallHalf,
                              c.expected.medium,   c.expected.mediumHalf, c.expected.large,
                              c.expected.largeHalf};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(got[i].x, want[i].x) << "pair " << i;
        EXPECT_EQ(got[i].y, want[i].y) << "pair " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, InitLayoutMetricsTest,
    testing::Values(
        // 80 tenths x 96 / 72 = 106.67 -> 106; R(10.6 + 0.5) = 11 px; T = 11 + 2 + 1 = 14.
        // 3.7795 px/mm: 0.3 mm -> R(1.134) = 1; 2 -> R(7.559) = 8; 4 -> R(15.118) = 15;
        // 10 -> R(37.795) = 38.
        InitCase{"Dpi96", 96, 96, 11, Expected(14, {0, 1}, {8, 8}, {15, 15}, {38, 38})},
        // 80 x 120 / 72 = 133.33 -> 133; R(13.3 + 0.5) = 14 px; T = 17.
        // 4.7244 px/mm: 0.3 -> R(1.417) = 1; 2 -> R(9.449) = 9; 4 -> R(18.898) = 19;
        // 10 -> R(47.244) = 47.
        InitCase{"Dpi120", 120, 120, 14, Expected(17, {0, 1}, {9, 9}, {19, 19}, {47, 47})},
        // Across 144 dpi = 5.6693 px/mm: 2 -> R(11.339) = 11, 4 -> R(22.677) = 23,
        // 10 -> R(56.693) = 57. Down 72 dpi = 2.8346 px/mm: 80 x 72 / 72 = 80 -> R(8.5) = 8 px,
        // T = 11; 0.3 -> R(0.850) = 1; 2 -> R(5.669) = 6; 4 -> R(11.339) = 11;
        // 10 -> R(28.346) = 28.
        InitCase{"Dpi144By72", 144, 72, 8, Expected(11, {0, 1}, {11, 6}, {23, 11}, {57, 28})}),
    [](const auto& row) { return row.param.name; });

struct CodeCase {
    const char* name;
    int code;
    int textHeight;
    PixelPair expected;
};

class SpacingToPixelsTest : public testing::TestWithParam<CodeCase> {};

TEST_P(SpacingToPixelsTest, Converts) {
    SetLayoutMetrics(Metrics96(GetParam().textHeight));
    const PixelPair p = SpacingToPixels(GetParam().code);
    EXPECT_EQ(p.x, GetParam().expected.x);
    EXPECT_EQ(p.y, GetParam().expected.y);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SpacingToPixelsTest,
    testing::Values(CodeCase{"Zero", 0, 13, {0, 0}},
                    // 10 x 3.7795 = 37.795 -> 38 on each axis.
                    CodeCase{"TenMillimetres", -10, 13, {38, 38}},
                    // 3 x 3.7795 = 11.339 -> 11.
                    CodeCase{"ThreeMillimetres", -3, 13, {11, 11}},
                    CodeCase{"Small", SpaceSmall, 13, {8, 8}},
                    CodeCase{"SmallHalf", SpaceSmallHalf, 13, {4, 4}},
                    CodeCase{"Medium", SpaceMedium, 13, {15, 15}},
                    CodeCase{"MediumHalf", SpaceMediumHalf, 13, {7, 7}},
                    CodeCase{"Large", SpaceLarge, 13, {38, 38}},
                    CodeCase{"LargeHalf", SpaceLargeHalf, 13, {19, 19}},
                    CodeCase{"Minimal", SpaceMinimal, 13, {0, 1}},
                    CodeCase{"TextLineIsTPlusOne", SpaceTextLine, 13, {0, 14}},
                    CodeCase{"BelowNamedRangeIsSmall", SpaceTextLine - 1, 13, {8, 8}},
                    CodeCase{"PositiveHasNoSpacing", 40, 13, {0, 0}}),
    [](const auto& row) { return row.param.name; });

class ControlSizeToPixelsTest : public testing::TestWithParam<CodeCase> {};

TEST_P(ControlSizeToPixelsTest, ConvertsWithEdgeTwo) {
    SetLayoutMetrics(Metrics96(GetParam().textHeight));
    const PixelPair p = ControlSizeToPixels(GetParam().code, 2);
    EXPECT_EQ(p.x, GetParam().expected.x);
    EXPECT_EQ(p.y, GetParam().expected.y);
}

// Heights with E = 2 and T = 13 unless the row says otherwise; named codes have no width.
INSTANTIATE_TEST_SUITE_P(
    Table, ControlSizeToPixelsTest,
    testing::Values(CodeCase{"Zero", 0, 13, {0, 0}}, CodeCase{"TenMillimetres", -10, 13, {38, 38}},
                    // max(13, 20) + 4 + 4
                    CodeCase{"Button", SizeButton, 13, {0, 28}},
                    // max(25, 20) + 4 + 4: a tall font sets the button height
                    CodeCase{"ButtonTallFont", SizeButton, 25, {0, 33}},
                    CodeCase{"Text", SizeText, 13, {0, 13}},
                    // 2 x 13 + 8 + 1
                    CodeCase{"LabelledField", SizeLabelledField, 13, {0, 35}},
                    CodeCase{"TwoLines", SizeTwoLines, 13, {0, 26}},
                    // 13 + 4 + 4
                    CodeCase{"FramedText", SizeFramedText, 13, {0, 21}},
                    // 20 + 4
                    CodeCase{"ButtonTight", SizeButtonTight, 13, {0, 24}},
                    CodeCase{"Row", SizeRow, 13, {0, 19}},
                    // 2 x (20 + 4) + 4
                    CodeCase{"DoubleButton", SizeDoubleButton, 13, {0, 52}},
                    // 2 x (22 + 4) + 4
                    CodeCase{"DoubleButtonTallFont", SizeDoubleButton, 22, {0, 56}},
                    CodeCase{"BelowNamedRangeIsButton", SizeDoubleButton - 1, 13, {0, 28}}),
    [](const auto& row) { return row.param.name; });

TEST(ControlSizeToPixels, ReadsEdgeHeightAtEachCall) {
    SetLayoutMetrics(Metrics96());
    // max(13, 20) + 2E + 4 for E = 1 and E = 3.
    EXPECT_EQ(ControlSizeToPixels(SizeButton, 1).y, 26);
    EXPECT_EQ(ControlSizeToPixels(SizeButton, 3).y, 30);
}

}  // namespace
