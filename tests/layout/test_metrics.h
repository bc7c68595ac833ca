// Fixed metrics for the layout tests, worked out by hand.
#pragma once

#include "layout/layout_metrics.h"

// A 96 dpi screen (96 / 25.4 = 3.7795 px/mm) with T = 13 and the start-up millimetres:
//   minimal (0 mm, 0.3 mm) -> (R(0), R(1.134)) = (0, 1)
//   small 2 mm -> R(7.559) = 8, half 4;   medium 4 mm -> R(15.118) = 15, half 7;
//   large 10 mm -> R(37.795) = 38, half 19.
inline LayoutMetrics Metrics96(int textHeight = 13) {
    LayoutMetrics m;
    m.textHeight = textHeight;
    m.pixelsPerMmX = static_cast<float>(96 / 25.4);
    m.pixelsPerMmY = static_cast<float>(96 / 25.4);
    m.minimal = {0, 1};
    m.small = {8, 8};
    m.smallHalf = {4, 4};
    m.medium = {15, 15};
    m.mediumHalf = {7, 7};
    m.large = {38, 38};
    m.largeHalf = {19, 19};
    return m;
}

// As Metrics96 but one pixel per millimetre, so that Millimetres(n) is n pixels in engine tests.
inline LayoutMetrics MetricsOnePixelPerMm() {
    LayoutMetrics m = Metrics96();
    m.pixelsPerMmX = 1.0f;
    m.pixelsPerMmY = 1.0f;
    return m;
}
