// The desktop's measurements for the layout metrics: the screen's logical resolution and the
// line height of the sans-serif dialog font. Needs a QGuiApplication.
#pragma once

#include "layout/layout_metrics.h"

class QScreen;

class QtLayoutDevice : public LayoutDevice {
public:
    // Measures `screen`, or the primary screen when null; without any screen it reports 96 dpi.
    explicit QtLayoutDevice(const QScreen* screen = nullptr);

    int LogicalDpiX() const override { return dpiX_; }
    int LogicalDpiY() const override { return dpiY_; }
    // The height of `sample`'s bounding box in the desktop's general UI font (sans-serif
    // fallback) at a pixel size of `fontPixelHeight` (at least 1).
    int SampleTextHeight(const std::u16string& sample, int fontPixelHeight) const override;

private:
    int dpiX_ = 96;
    int dpiY_ = 96;
};

// Fixes the layout metrics from the primary screen with the application's start-up values:
// an 8-point font, minimal spacing 0 mm across and 0.3 mm down, small 2 mm, medium 4 mm and
// large 10 mm. Call once, after the QApplication exists and before any window is laid out.
void InitLayoutMetricsFromDesktop();
