// Pieces the window layouts share: the rows of the electrical grid, the OK/Cancel row, and the
// end of every pass.
#pragma once

#include <initializer_list>

#include "layout/xc_layout.h"

// True for the one-line model; NaN compares unequal and so counts as the three-line model.
bool IsOneLineModel(double modelCode);

// Label (16 %), value (21 %) and note (63 %) with the gaps of a four-column value row, so that
// the value lines up under the first column.
void FillModeRow(XCLayout& row, int labelId, int valueId, int noteId);

// The four column heads over the value columns, after an empty label slot.
void FillHeaderRow(XCLayout& row);

// A row label (16 %) and the first `columns` of the four value controls that follow its id
// (21 % each); with one column a 63 % stretch keeps the label and value at four-column widths.
void FillValueRow(XCLayout& row, int labelId, int columns);

// OK and Cancel, half the width each.
void FillDialogButtons(XCLayout& row);

// Lays `root` out in the window's client rectangle, opens each existing list of `dropDowns`
// kDropDownReach pixels below itself, and repaints the window once.
void FinishLayoutPass(LayoutWindow& window, XCLayout& root, std::initializer_list<int> dropDowns);
