#include "layout/layout_rows.h"

#include "layout/control_ids.h"
#include "layout/window_layouts.h"

bool IsOneLineModel(double modelCode) {
    return modelCode == kOneLineModelCode;
}

void FillModeRow(XCLayout& row, int labelId, int valueId, int noteId) {
    row.AddSpacer(SpaceSmall);
    row.AddControl(labelId, 16);
    row.AddSpacer(SpaceSmall);
    row.AddControl(valueId, 21);
    row.AddSpacer(SpaceSmall);
    row.AddControl(noteId, 63);
    // Three gaps, as many as the value rows have between and after their 2nd to 4th columns.
    row.AddSpacer(SpaceSmall);
    row.AddSpacer(SpaceSmall);
    row.AddSpacer(SpaceSmall);
}

void FillHeaderRow(XCLayout& row) {
    row.AddSpacer(SpaceSmall);
    row.AddSpacer(16);
    row.AddSpacer(SpaceSmall);
    for (int head : ctl::kColumnHeads) {
        row.AddControl(head, 21);
        row.AddSpacer(SpaceSmall);
    }
}

void FillValueRow(XCLayout& row, int labelId, int columns) {
    row.AddSpacer(SpaceSmall);
    row.AddControl(labelId, 16);
    row.AddSpacer(SpaceSmall);
    for (int column = 1; column <= columns; ++column) {
        row.AddControl(labelId + column, 21);
        row.AddSpacer(SpaceSmall);
    }
    if (columns == 1) {
        row.AddSpacer(63);
    }
}

void FillDialogButtons(XCLayout& row) {
    row.AddSpacer(SpaceSmall);
    row.AddControl(ctl::kOk, 50);
    row.AddSpacer(SpaceSmall);
    row.AddControl(ctl::kCancel, 50);
    row.AddSpacer(SpaceSmall);
}

void FinishLayoutPass(LayoutWindow& window, XCLayout& root, std::initializer_list<int> dropDowns) {
    root.SetGeometry(window.ClientRect());
    for (int id : dropDowns) {
        if (window.HasControl(id)) {
            window.SetDropDownReach(id, kDropDownReach);
        }
    }
    window.InvalidateAll();
}
