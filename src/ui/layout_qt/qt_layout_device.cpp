#include "ui/layout_qt/qt_layout_device.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <algorithm>

QtLayoutDevice::QtLayoutDevice(const QScreen* screen) {
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        dpiX_ = qRound(screen->logicalDotsPerInchX());
        dpiY_ = qRound(screen->logicalDotsPerInchY());
    }
}

int QtLayoutDevice::SampleTextHeight(const std::u16string& sample, int fontPixelHeight) const {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, fontPixelHeight));
    const QFontMetrics metrics(font);
    // The bounding box is at least the font's line height, and taller if a glyph overhangs.
    return metrics.boundingRect(QString::fromStdU16String(sample)).height();
}

void InitLayoutMetricsFromDesktop() {
    const QtLayoutDevice device;
    InitLayoutMetrics(device, 8.0f, 0.0f, 0.3f, 2.0f, 4.0f, 10.0f);
}
