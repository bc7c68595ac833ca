// Pixel metrics of the layout engine: how millimetres, named spacing and size codes become
// pixels. The metrics are fixed once at start-up from the screen and the dialog font and are the
// engine's only process-wide state.
#pragma once

#include <string>

// An (x, y) pair of pixels: x along the horizontal axis, y along the vertical one.
struct PixelPair {
    int x = 0;
    int y = 0;
};

// Size codes. A positive code is a stretch weight in percent of the space the fixed items leave;
// 0 is zero pixels (for a nested box: its own size hint); -1 to -16777215 are millimetres; the
// eight codes from -0x1000000 down are named. Each named code has a spacing reading (spacers,
// margins, insets) and a size reading (fixed controls and fixed nested boxes).
constexpr int SpaceSmall = -0x1000000;
constexpr int SpaceSmallHalf = -0x1000001;
constexpr int SpaceMedium = -0x1000002;
constexpr int SpaceMediumHalf = -0x1000003;
constexpr int SpaceLarge = -0x1000004;
constexpr int SpaceLargeHalf = -0x1000005;
constexpr int SpaceMinimal = -0x1000006;
constexpr int SpaceTextLine = -0x1000007;

constexpr int SizeButton = -0x1000000;
constexpr int SizeText = -0x1000001;
constexpr int SizeLabelledField = -0x1000002;
constexpr int SizeTwoLines = -0x1000003;
constexpr int SizeFramedText = -0x1000004;
constexpr int SizeButtonTight = -0x1000005;
constexpr int SizeRow = -0x1000006;
constexpr int SizeDoubleButton = -0x1000007;

// The largest millimetre code; anything below it is a named code.
constexpr int kMaxMillimetres = 0xFFFFFF;

// The code for `mm` millimetres (1 to kMaxMillimetres).
constexpr int Millimetres(int mm) {
    return -mm;
}

// Everything the conversions read. The seven pairs follow from millimetre values and the two
// pixels-per-millimetre factors; T is the dialog font's text line height.
struct LayoutMetrics {
    int textHeight = 0;  // T: the sample text's measured height plus 1
    float pixelsPerMmX = 0.0f;
    float pixelsPerMmY = 0.0f;
    PixelPair minimal;
    PixelPair small;
    PixelPair smallHalf;
    PixelPair medium;
    PixelPair mediumHalf;
    PixelPair large;
    PixelPair largeHalf;
};

// The screen and font measurements InitLayoutMetrics needs; the Qt side measures the real
// desktop, tests supply fixed numbers.
class LayoutDevice {
public:
    virtual ~LayoutDevice() = default;
    // Logical resolution of the screen in pixels per inch, across and down.
    virtual int LogicalDpiX() const = 0;
    virtual int LogicalDpiY() const = 0;
    // Line height in pixels of `sample` drawn in the desktop's sans-serif dialog font whose
    // character height is `fontPixelHeight` pixels.
    virtual int SampleTextHeight(const std::u16string& sample, int fontPixelHeight) const = 0;
};

// The text whose height defines T: accented capitals and descenders give the full line height.
constexpr char16_t kLayoutSampleText[] = u"\u00CF\u00C9p&M\u00D1\u00CE\u00E7j_";

// The R rule: truncates toward zero, then steps one pixel away from zero only when the dropped
// fraction exceeds one half, so exact halves round toward zero (2.5 -> 2, 2.51 -> 3, -2.5 -> -2).
// Values beyond the int range saturate; NaN gives 0.
int RoundHalfTowardZero(double v);

// Measures the screen and the dialog font at `points` and fixes the metrics: pixels per mm from
// the logical resolution, T from the sample text, and the pairs from the millimetre values
// (minimal across and down, small, medium, large on both axes; halves by integer division).
// Start-up passes 8, 0, 0.3, 2, 4, 10.
void InitLayoutMetrics(const LayoutDevice& device, float points, float minimalX, float minimalY,
                       float small, float medium, float large);

// Replaces the metrics wholesale; for tests and for callers that measured by other means.
void SetLayoutMetrics(const LayoutMetrics& metrics);

// The metrics now in force (all zero before the first InitLayoutMetrics or SetLayoutMetrics).
const LayoutMetrics& CurrentLayoutMetrics();

// Pixels of a spacing code (spacers, margins, insets): the named pairs, y = T + 1 for
// SpaceTextLine (x 0), the small pair for codes below SpaceTextLine, millimetres converted per
// axis for 0 and the millimetre codes. Positive codes have no spacing meaning and give (0, 0).
PixelPair SpacingToPixels(int code);

// Pixels of a size code (fixed controls and fixed boxes). Named codes give a height only (x is 0)
// and read the 3-D edge height `edgeHeight` (E); codes below SizeDoubleButton read as
// SizeButton; 0 and millimetre codes convert as in SpacingToPixels; positive codes give (0, 0).
PixelPair ControlSizeToPixels(int code, int edgeHeight);
