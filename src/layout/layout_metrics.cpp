#include "layout/layout_metrics.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

LayoutMetrics g_metrics;

// A millimetre count converted on both axes; the product is taken in single precision so that
// rounding lands where it does on the screen the metrics were measured on.
PixelPair MillimetresToPixels(int mm) {
    const LayoutMetrics& m = g_metrics;
    const float x = static_cast<float>(mm) * m.pixelsPerMmX;
    const float y = static_cast<float>(mm) * m.pixelsPerMmY;
    return {RoundHalfTowardZero(x), RoundHalfTowardZero(y)};
}

PixelPair Halved(PixelPair p) {
    return {p.x / 2, p.y / 2};
}

}  // namespace

int RoundHalfTowardZero(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (v <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    double t = std::trunc(v);
    if (std::fabs(v - t) > 0.5) {
        t += v > 0 ? 1.0 : -1.0;
    }
    return static_cast<int>(t);
}

void InitLayoutMetrics(const LayoutDevice& device, float points, float minimalX, float minimalY,
                       float small, float medium, float large) {
    LayoutMetrics m;
    const int dpiX = device.LogicalDpiX();
    const int dpiY = device.LogicalDpiY();

    // Font height in pixels from tenths of a point at the vertical resolution.
    const int tenths = RoundHalfTowardZero(points * 10.0f);
    const int y0 = static_cast<int>(static_cast<float>(tenths) * static_cast<float>(dpiY) / 72.0f);
    const int fontPixels = RoundHalfTowardZero(std::abs(y0) / 10.0 + 0.5);
    m.textHeight = device.SampleTextHeight(std::u16string(kLayoutSampleText), fontPixels) + 1;

    m.pixelsPerMmX = static_cast<float>(dpiX / 25.4);
    m.pixelsPerMmY = static_cast<float>(dpiY / 25.4);

    auto pair = [&m](float mmX, float mmY) {
        return PixelPair{RoundHalfTowardZero(mmX * m.pixelsPerMmX),
                         RoundHalfTowardZero(mmY * m.pixelsPerMmY)};
    };
    m.minimal = pair(minimalX, minimalY);
    m.small = pair(small, small);
    m.medium = pair(medium, medium);
    m.large = pair(large, large);
    m.smallHalf = Halved(m.small);
    m.mediumHalf = Halved(m.medium);
    m.largeHalf = Halved(m.large);
    g_metrics = m;
}

void SetLayoutMetrics(const LayoutMetrics& metrics) {
    g_metrics = metrics;
}

const LayoutMetrics& CurrentLayoutMetrics() {
    return g_metrics;
}

PixelPair SpacingToPixels(int code) {
    const LayoutMetrics& m = g_metrics;
    if (code > 0) {
        return {};
    }
    if (code >= -kMaxMillimetres) {
        return MillimetresToPixels(-code);
    }
    switch (code) {
        case SpaceSmallHalf:
            return m.smallHalf;
        case SpaceMedium:
            return m.medium;
        case SpaceMediumHalf:
            return m.mediumHalf;
        case SpaceLarge:
            return m.large;
        case SpaceLargeHalf:
            return m.largeHalf;
        case SpaceMinimal:
            return m.minimal;
        case SpaceTextLine:
            return {0, m.textHeight + 1};
        default:  // SpaceSmall and every code below the named range
            return m.small;
    }
}

PixelPair ControlSizeToPixels(int code, int edgeHeight) {
    const int t = g_metrics.textHeight;
    const int e = edgeHeight;
    if (code > 0) {
        return {};
    }
    if (code >= -kMaxMillimetres) {
        return MillimetresToPixels(-code);
    }
    // A button is never shorter than 20 pixels of text, whatever the font.
    const int button = (t > 20 ? t : 20) + 2 * e;
    switch (code) {
        case SizeText:
            return {0, t};
        case SizeLabelledField:
            return {0, 2 * t + 8 + g_metrics.minimal.y};
        case SizeTwoLines:
            return {0, 2 * t};
        case SizeFramedText:
            return {0, t + 2 * e + 4};
        case SizeButtonTight:
            return {0, button};
        case SizeRow:
            return {0, t + 6};
        case SizeDoubleButton:
            return {0, 2 * button + 4};
        default:  // SizeButton and every code below the named range
            return {0, button + 4};
    }
}
