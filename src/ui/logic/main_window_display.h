// The texts of the main window's device display, worked out from a DeviceInfo without touching
// any window, so that the formatting rules can be checked on their own.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "protocol/device_info.h"

// One display field and the text it shows.
struct DisplayField {
    int id;
    std::u16string text;
};

// The controls only the three-line model has, in the order they are shown or hidden: the L2,
// L3 and III cells of all four rows, the column heads, the threshold rows' labels with their
// L1 cells, and the working mode row.
extern const std::array<int, 25> kThreeLineOnlyControls;

// The model code that marks the one-line model.
inline constexpr double kOneLineModel = 67367.0;

// `value` in signed decimal, as "%d" gives it.
std::u16string DecimalText(int value);

// `value` with `decimals` (0 or 1) decimals, as printf's "%.0f" / "%.1f" give it.
std::u16string FormatFixed(double value, int decimals);

// Every display field filled from `info`, in the order the window writes them: model,
// versions, station number, port configuration, then per column L1, L2, L3, III its ratio (the
// III column has none), measure, threshold value and delay, and last the working mode.
// Codes outside their lists give empty texts; a line's threshold under measure code 1 is held
// in tenths and shown with one decimal.
std::vector<DisplayField> DeviceDisplayFields(const DeviceInfo& info);

// The display's empty state: "-" everywhere except the III ratio cell, which stays empty
// because the total has no ratio of its own.
std::vector<DisplayField> EmptyDisplayFields();

// True when `info` holds the one-line model, which lacks everything in kThreeLineOnlyControls.
bool IsOneLineDevice(const DeviceInfo& info);
