#include "layout/control_ids.h"
#include "layout/layout_rows.h"
#include "layout/window_layouts.h"
#include "layout/xc_layout.h"

bool LayoutElectricalDialog(LayoutWindow& dialog, double modelCode) {
    if (!dialog.HasControl(ctl::kDlgRatioLabel)) {
        return false;
    }

    // The one-line model has one setting, the L1 ratio: one value column and no working mode.
    const int columns = IsOneLineModel(modelCode) ? 1 : 4;
    const int stretchAfterRow = columns == 4 ? 16 : 25;

    XCHoritzontalLayout modeRow(dialog);
    FillModeRow(modeRow, ctl::kDlgWorkingModeLabel, ctl::kDlgWorkingMode, ctl::kWorkingModeNote);
    XCHoritzontalLayout headerRow(dialog);
    FillHeaderRow(headerRow);
    XCHoritzontalLayout valueRows[4] = {XCHoritzontalLayout(dialog), XCHoritzontalLayout(dialog),
                                        XCHoritzontalLayout(dialog), XCHoritzontalLayout(dialog)};

    XCVerticalLayout body(dialog);
    body.AddSpacer(SpaceSmallHalf);
    if (columns == 4) {
        body.AddLayout(modeRow, 18);
        body.AddSpacer(SpaceLargeHalf);
        body.AddLayout(headerRow, 18);
        body.AddSpacer(SpaceSmallHalf);
    }
    // The status line (why the device could not be read) heads the space after the last row, so
    // the grid keeps its places whether or not the dialog has one.
    XCVerticalLayout status(dialog);
    status.AddSpacer(SpaceSmallHalf);
    status.AddControl(ctl::kStatusText, SizeText);
    status.AddSpacer(100);
    for (int k = 0; k < 4; ++k) {
        FillValueRow(valueRows[k], ctl::kDlgValueRowLabels[k], columns);
        body.AddLayout(valueRows[k], SizeRow);
        if (k < 3) {
            body.AddSpacer(stretchAfterRow);
        } else {
            body.AddLayout(status, stretchAfterRow);
        }
    }

    XCHoritzontalLayout buttons(dialog);
    FillDialogButtons(buttons);

    XCVerticalLayout root(dialog);
    root.margins.outerStart = SpaceSmall;
    root.margins.outerEnd = SpaceSmall;
    root.AddSpacer(SpaceSmall);
    root.AddLayout(body, 100);
    root.AddSpacer(SpaceSmall);
    root.AddLayout(buttons, SizeButton);
    root.AddSpacer(SpaceSmall);

    // Every measure list and the working mode, whether or not the model shows them.
    FinishLayoutPass(dialog, root,
                     {ctl::kDlgMeasureL1, ctl::kDlgMeasureL2, ctl::kDlgMeasureL3,
                      ctl::kDlgMeasureTotal, ctl::kDlgWorkingMode});
    return true;
}
