// The arrangements of the three windows whose controls move with the layout engine. Each call
// builds the window's box tree from its controls, lays it out in the client rectangle, lets the
// drop-down lists open 150 pixels below themselves, repaints the window once and drops the tree.
// Controls a layout leaves out keep their place; showing and hiding is the window's business.
#pragma once

#include "layout/layout_window.h"

// The model code of the one-line analyser; any other code, NaN included, is the three-line one.
constexpr double kOneLineModelCode = 67367.0;

// How far below a drop-down list its opened list reaches, in pixels.
constexpr int kDropDownReach = 150;

// The main window; `modelCode` is that of the device last read. Returns false and touches
// nothing when the window has no connection group box yet (a resize before the controls exist).
bool LayoutMainWindow(LayoutWindow& window, double modelCode);

// The RS-485 parameters dialog. Returns false and touches nothing without its port list.
bool LayoutRs485Dialog(LayoutWindow& dialog);

// The electrical parameters dialog for the model code the dialog holds: one value column for the
// one-line model, four otherwise. Returns false and touches nothing without the ratio label.
bool LayoutElectricalDialog(LayoutWindow& dialog, double modelCode);
