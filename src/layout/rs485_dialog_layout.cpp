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

    XCVerticalLayout root(dialog);
    root.margins.outerStart = SpaceSmall;
    root.margins.outerEnd = SpaceSmall;
    root.AddSpacer(SpaceSmall);
    root.AddLabelledField(ctl::kDlgPortConfig, ctl::kDlgPortConfigLabel, SizeLabelledField);
    root.AddSpacer(SpaceSmall);
    root.AddLabelledField(ctl::kDlgStationNumber, ctl::kDlgStationNumberLabel, SizeLabelledField);
    root.AddSpacer(100);
    root.AddLayout(buttons, SizeButton);
    root.AddSpacer(SpaceSmall);

    FinishLayoutPass(dialog, root, {ctl::kDlgPortConfig});
    return true;
}
