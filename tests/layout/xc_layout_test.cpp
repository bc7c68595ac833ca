#include "layout/xc_layout.h"
#include "layout/named_case.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "layout/fake_layout_window.h"
#include "layout/test_metrics.h"

namespace {

// Throughout: one pixel per millimetre (Millimetres(n) is n pixels), T = 13, E = 2,
// SpaceSmall = (8, 8), SpaceMinimal = (0, 1).
class XCLayoutTest : public testing::Test {
protected:
    void SetUp() override {
        SetLayoutMetrics(MetricsOnePixelPerMm());
        window.Add({10, 11, 12, 13, 900});
    }
    FakeLayoutWindow window{400, 300};
};

std::unique_ptr<XCLayout> MakeBox(LayoutOrientation o, LayoutWindow& w) {
    if (o == LayoutOrientation::Horizontal) {
        return std::make_unique<XCHoritzontalLayout>(w);
    }
    return std::make_unique<XCVerticalLayout>(w);
}

// The same main-axis arithmetic must hold along either axis; the cross axis is the full span.
class DistributeTest : public XCLayoutTest, public testing::WithParamInterface<LayoutOrientation> {
protected:
    bool Horizontal() const { return GetParam() == LayoutOrientation::Horizontal; }
    // A span on the main axis, and the whole cross span 0..20 (21 px). The vertical box's top
    // band (E = 2 with no inset) is offset by starting its rectangle 2 pixels higher.
    Placement Span(int from, int length) const {
        return Horizontal() ? Placement{from, 0, length, 21} : Placement{0, from, 21, length};
    }
    LayoutRect Rect(int mainLast) const {
        return Horizontal() ? LayoutRect{0, 0, mainLast, 20} : LayoutRect{0, -2, 20, mainLast};
    }
};

TEST_P(DistributeTest, StretchItemsShareWhatFixedItemsLeave) {
    auto box = MakeBox(GetParam(), window);
    box->AddSpacer(Millimetres(10));
    box->AddControl(10, 40);
    box->AddControl(11, 45);
    box->SetGeometry(Rect(100));
    // 101 px, A = 101 - 10 = 91: R(36.4) = 36 at 10..45, R(40.95) = 41 at 46..86; 87..100 empty.
    EXPECT_EQ(window.At(10), Span(10, 36));
    EXPECT_EQ(window.At(11), Span(46, 41));
}

TEST_P(DistributeTest, ExactHalfRoundsDownAndRemainderIsNotCarried) {
    auto box = MakeBox(GetParam(), window);
    box->AddControl(10, 50);
    box->AddControl(11, 50);
    box->SetGeometry(Rect(4));
    // A = 5: each gets R(2.5) = 2, at 0..1 and 2..3; pixel 4 stays empty.
    EXPECT_EQ(window.At(10), Span(0, 2));
    EXPECT_EQ(window.At(11), Span(2, 2));
}

TEST_P(DistributeTest, FixedItemsLargerThanExtentRunPastTheEnd) {
    auto box = MakeBox(GetParam(), window);
    box->AddSpacer(Millimetres(15));
    box->AddControl(10, 50);
    box->AddSpacer(Millimetres(10));
    box->AddControl(11, Millimetres(8));
    box->SetGeometry(Rect(19));
    // 20 px, F = 33: A = 0. The stretch control sits on the empty span 15..14; the fixed one
    // follows at 25..32, past the end at 19.
    EXPECT_EQ(window.At(10), Span(15, 0));
    EXPECT_EQ(window.At(11), Span(25, 8));
}

TEST_P(DistributeTest, WeightsAboveHundredRunPastTheEnd) {
    auto box = MakeBox(GetParam(), window);
    box->AddControl(10, 150);
    box->AddControl(11, 10);
    box->SetGeometry(Rect(9));
    // A = 10: R(15) = 15 at 0..14, then R(1) = 1 at 15.
    EXPECT_EQ(window.At(10), Span(0, 15));
    EXPECT_EQ(window.At(11), Span(15, 1));
}

INSTANTIATE_TEST_SUITE_P(Orientations, DistributeTest,
                         testing::Values(LayoutOrientation::Horizontal,
                                         LayoutOrientation::Vertical),
                         [](const auto& row) {
                             return row.param == LayoutOrientation::Horizontal ? "Horizontal"
                                                                               : "Vertical";
                         });

struct BandCase {
    const char* name;
    LayoutOrientation orientation;
    bool framed;  // SetFrame: SpaceSmall inset and a title band
    int inset;    // for unframed boxes
    Placement frame;
    Placement content;  // a single stretch-100 control filling the working rectangle
};

class BandTest : public XCLayoutTest, public testing::WithParamInterface<BandCase> {};

TEST_P(BandTest, FrameInsetAndTopBand) {
    const BandCase& c = GetParam();
    auto box = MakeBox(c.orientation, window);
    if (c.framed) {
        box->SetFrame(900);
    } else {
        box->SetInset(c.inset);
    }
    box->AddControl(10, 100);
    box->SetGeometry({0, 0, 99, 99});
    if (c.framed) {
        EXPECT_EQ(window.At(900), c.frame);
    } else {
        EXPECT_FALSE(window.Moved(900));
    }
    EXPECT_EQ(window.At(10), c.content);
}

// Rectangle 0..99 on both axes; inset SpaceSmall takes 8 from left, right and bottom, giving
// left 8, right 91 (84 wide), bottom 91. The top band differs.
INSTANTIATE_TEST_SUITE_P(
    Table, BandTest,
    testing::Values(
        // T + 2E + 1 = 18: top 18, 91 - 18 + 1 = 74 high; the inset's y is not used at the top.
        BandCase{"VerticalTitled",
                 LayoutOrientation::Vertical,
                 true,
                 0,
                 {0, 0, 100, 100},
                 {8, 18, 84, 74}},
        // y of inset + E = 10: 82 high.
        BandCase{"VerticalUntitledInset",
                 LayoutOrientation::Vertical,
                 false,
                 SpaceSmall,
                 {},
                 {8, 10, 84, 82}},
        // E alone even without an inset: top 2, 98 high, full width.
        BandCase{
            "VerticalUntitledNoInset", LayoutOrientation::Vertical, false, 0, {}, {0, 2, 100, 98}},
        // T + 2E = 17: 91 - 17 + 1 = 75 high.
        BandCase{"HorizontalTitled",
                 LayoutOrientation::Horizontal,
                 true,
                 0,
                 {0, 0, 100, 100},
                 {8, 17, 84, 75}},
        // y of inset = 8: 84 high.
        BandCase{"HorizontalUntitledInset",
                 LayoutOrientation::Horizontal,
                 false,
                 SpaceSmall,
                 {},
                 {8, 8, 84, 84}},
        BandCase{"HorizontalUntitledNoInset",
                 LayoutOrientation::Horizontal,
                 false,
                 0,
                 {},
                 {0, 0, 100, 100}}),
    [](const auto& row) { return row.param.name; });

TEST_F(XCLayoutTest, MarginsNarrowTheCrossAxisOutsideAndInsideTheFrame) {
    XCVerticalLayout box(window);
    box.SetFrame(900);
    box.margins = {Millimetres(3), Millimetres(5), Millimetres(7), Millimetres(11)};
    box.AddControl(10, 100);
    box.SetGeometry({0, 0, 99, 99});
    // Outer: left 3, right 94 -> frame (3, 0, 92, 100). Inset 8: left 11, right 86, bottom 91,
    // top 18. Inner: left 18, right 75 -> 58 wide, 91 - 18 + 1 = 74 high.
    EXPECT_EQ(window.At(900), (Placement{3, 0, 92, 100}));
    EXPECT_EQ(window.At(10), (Placement{18, 18, 58, 74}));
}

TEST_F(XCLayoutTest, EmptyBoxMovesOnlyItsFrame) {
    XCHoritzontalLayout box(window);
    box.SetFrame(900);
    box.SetGeometry({5, 6, 54, 35});
    EXPECT_EQ(window.moveLog, std::vector<int>{900});
    EXPECT_EQ(window.At(900), (Placement{5, 6, 50, 30}));
}

struct HintCase {
    const char* name;
    LayoutOrientation orientation;
    bool framed;
    bool withItems;
    LayoutSize expected;
};

class SizeHintTest : public XCLayoutTest, public testing::WithParamInterface<HintCase> {};

TEST_P(SizeHintTest, CountsInsetBandFixedItemsAndStretchBoxes) {
    const HintCase& c = GetParam();
    auto box = MakeBox(c.orientation, window);
    // Margins never count.
    box->margins = {Millimetres(30), Millimetres(30), Millimetres(30), Millimetres(30)};
    if (c.framed) {
        box->SetFrame(900);
    }
    // A horizontal child: inset 3 px; hint width 2 x 3 + 30 = 36, height 3 + 3 = 6.
    XCHoritzontalLayout wide(window);
    wide.SetInset(Millimetres(3));
    wide.AddSpacer(Millimetres(30));
    // A vertical child: hint width 0, height E + 20 = 22.
    XCVerticalLayout tall(window);
    tall.AddSpacer(Millimetres(20));
    if (c.withItems) {
        box->AddSpacer(Millimetres(10));
        box->AddControl(10, Millimetres(7));
        box->AddControl(11, 30);  // a stretch window adds nothing
        box->AddSpacer(40);       // nor a stretch spacer
        box->AddLayout(wide, 50);
        box->AddLayout(tall, 50);
    }
    const LayoutSize hint = box->SizeHint();
    EXPECT_EQ(hint.width, c.expected.width);
    EXPECT_EQ(hint.height, c.expected.height);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SizeHintTest,
    testing::Values(
        HintCase{"EmptyHorizontal", LayoutOrientation::Horizontal, false, false, {0, 0}},
        // E + 0 + 0
        HintCase{"EmptyVertical", LayoutOrientation::Vertical, false, false, {0, 2}},
        // 2 x 8; 8 + (13 + 4)
        HintCase{"EmptyHorizontalTitled", LayoutOrientation::Horizontal, true, false, {16, 25}},
        // 2 x 8; 2 + 8 + (13 + 4 + 1)
        HintCase{"EmptyVerticalTitled", LayoutOrientation::Vertical, true, false, {16, 28}},
        // Width: fixed 10 + 7, hints 36 + 0 = 53. Height: largest stretch-box height 22.
        HintCase{"HorizontalWithItems", LayoutOrientation::Horizontal, false, true, {53, 22}},
        // Width: largest stretch-box width 36. Height: E 2 + fixed 10 + 7 + hints 6 + 22 = 47.
        HintCase{"VerticalWithItems", LayoutOrientation::Vertical, false, true, {36, 47}},
        // 16 + 53; 8 + 17 + 22
        HintCase{"HorizontalTitledWithItems", LayoutOrientation::Horizontal, true, true, {69, 47}},
        // 16 + 36; 2 + 8 + 18 + 45
        HintCase{"VerticalTitledWithItems", LayoutOrientation::Vertical, true, true, {52, 73}}),
    [](const auto& row) { return row.param.name; });

TEST_F(XCLayoutTest, BoxAddedAtSizeZeroKeepsTheHintItHadThen) {
    XCVerticalLayout child(window);
    child.AddSpacer(Millimetres(20));
    XCVerticalLayout parent(window);
    parent.AddLayout(child, 0);  // hint height E + 20 = 22
    parent.AddControl(10, Millimetres(5));
    child.AddSpacer(Millimetres(50));  // too late to change the parent's item
    parent.SetGeometry({0, 0, 99, 199});
    // Parent's band E = 2: child on 2..23, the control after it at 24.
    EXPECT_EQ(window.At(10), (Placement{0, 24, 100, 5}));
}

TEST_F(XCLayoutTest, FixedSizeCodesAreConvertedOnTheBoxAxis) {
    XCHoritzontalLayout row(window);
    row.AddControl(10, Millimetres(12));
    row.AddSpacer(SpaceSmall);
    row.AddControl(11, Millimetres(6));
    XCVerticalLayout column(window);
    column.AddLayout(row, SizeRow);     // T + 6 = 19 high
    column.AddControl(12, SizeButton);  // 20 + 4 + 4 = 28 high
    column.SetGeometry({0, 0, 99, 99});
    // Row on 2..20 (after E): widths 12, gap 8, 6.
    EXPECT_EQ(window.At(10), (Placement{0, 2, 12, 19}));
    EXPECT_EQ(window.At(11), (Placement{20, 2, 6, 19}));
    EXPECT_EQ(window.At(12), (Placement{0, 21, 100, 28}));
}

TEST_F(XCLayoutTest, MissingControlKeepsItsSpanAndIsNeverMoved) {
    XCHoritzontalLayout row(window);
    row.AddControl(77, 30);  // no such control
    row.AddControl(10, 30);
    row.SetGeometry({0, 0, 99, 9});
    // A = 100: the missing control's 30 px stay empty; control 10 at 30..59.
    EXPECT_EQ(window.At(10), (Placement{30, 0, 30, 10}));
    EXPECT_EQ(window.moveLog, std::vector<int>{10});
    EXPECT_EQ(window.repaintedMoves, 0);
}

TEST_F(XCLayoutTest, MissingFrameIsNotMovedButStillInsets) {
    XCVerticalLayout box(window);
    box.SetFrame(77);
    box.AddControl(10, 100);
    box.SetGeometry({0, 0, 99, 99});
    EXPECT_EQ(window.At(10), (Placement{8, 18, 84, 74}));
    EXPECT_EQ(window.moveLog, std::vector<int>{10});
}

TEST_F(XCLayoutTest, LabelledFieldInSizeLabelledFieldSlot) {
    XCVerticalLayout box(window);
    box.AddLabelledField(10, 11, SizeLabelledField);
    box.SetGeometry({0, 0, 199, 99});
    // Box band E: the column on 2..36 (2T + 8 + 1 = 35). Column band E: label on 4..16 (T),
    // minimal gap 17, field 18..36: T + 8 - E = 19 high, full width (minimal x is 0).
    EXPECT_EQ(window.At(11), (Placement{0, 4, 200, 13}));
    EXPECT_EQ(window.At(10), (Placement{0, 18, 200, 19}));
}

TEST_F(XCLayoutTest, LabelledFieldsShareAHorizontalRowByWeight) {
    XCHoritzontalLayout row(window);
    row.AddLabelledField(10, 11, 25);
    row.AddLabelledField(12, 13, 75);
    row.SetGeometry({0, 0, 99, 49});
    // 25 and 75 px wide columns, 50 high: label 2..14, gap 15, field 16..49 (34 px).
    EXPECT_EQ(window.At(11), (Placement{0, 2, 25, 13}));
    EXPECT_EQ(window.At(10), (Placement{0, 16, 25, 34}));
    EXPECT_EQ(window.At(12), (Placement{25, 16, 75, 34}));
}

// Records the order in which boxes are destroyed.
class RecordingBox : public XCVerticalLayout {
public:
    RecordingBox(LayoutWindow& w, std::vector<std::string>& log, std::string name)
        : XCVerticalLayout(w), log_(log), name_(std::move(name)) {}
    ~RecordingBox() override { log_.push_back(name_); }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

TEST_F(XCLayoutTest, OwnedBoxesDieWithTheirOwnerInOrderAndStillLayOut) {
    std::vector<std::string> log;
    {
        XCHoritzontalLayout owner(window);
        auto first = std::make_unique<RecordingBox>(window, log, "first");
        first->AddControl(10, 100);
        owner.AddLayout(std::move(first), 50);
        owner.AddLayout(std::make_unique<RecordingBox>(window, log, "second"), 50);
        owner.SetGeometry({0, 0, 99, 9});
        // First column 0..49, its control below the vertical band E.
        EXPECT_EQ(window.At(10), (Placement{0, 2, 50, 8}));
        EXPECT_TRUE(log.empty());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
}

TEST_F(XCLayoutTest, HugeWeightsDoNotWrapAround) {
    XCHoritzontalLayout row(window);
    row.AddControl(10, 2000000000);
    row.AddControl(11, 10);
    row.SetGeometry({0, 0, 99, 9});
    // A x w = 100 x 2e9 does not fit 32 bits; the share itself does: 2e9 px, then R(10) = 10.
    EXPECT_EQ(window.At(10), (Placement{0, 0, 2000000000, 10}));
    EXPECT_EQ(window.At(11), (Placement{2000000000, 0, 10, 10}));
}

}  // namespace
