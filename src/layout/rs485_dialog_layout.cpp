#include "layout/control_ids.h"
#include "layout/layout_rows.h"
#include "layout/window_layouts.h"
#include "layout/xc_layout.h"

bool LayoutRs485Dialog(LayoutWindow& dialog) {
    if (!dialog.HasControl(ctl::kDlgPortConfig)) {
        return false;
    }

    XCHoritzontalLayout buttons(dialog);
    FillDialogButtons(buttons);

    // The status line (why the device could not be read) sits at the top of the free space above
    // the buttons, so the fields keep their places whether or not the dialog has one.
    XCVerticalLayout status(dialog);
    status.AddSpacer(SpaceSmall);
    status.AddControl(ctl::kStatusText, SizeText);
    status.AddSpacer(100);

    XCVerticalLayout root(dialog);
    root.margins.outerStart = SpaceSmall;
    root.margins.outerEnd = SpaceSmall;
    root.AddSpacer(SpaceSmall);
    root.AddLabelledField(ctl::kDlgPortConfig, ctl::kDlgPortConfigLabel, SizeLabelledField);
    root.AddSpacer(SpaceSmall);
    root.AddLabelledField(ctl::kDlgStationNumber, ctl::kDlgStationNumberLabel, SizeLabelledField);
    root.AddLayout(status, 100);
    root.AddLayout(buttons, SizeButton);
    root.AddSpacer(SpaceSmall);

    FinishLayoutPass(dialog, root, {ctl::kDlgPortConfig});
    return true;
}
