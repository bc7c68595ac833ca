#include "layout/control_ids.h"
#include "layout/layout_rows.h"
#include "layout/window_layouts.h"
#include "layout/xc_layout.h"

bool LayoutMainWindow(LayoutWindow& window, double modelCode) {
    if (!window.HasControl(ctl::kConnectionGroup)) {
        return false;
    }

    // Connection parameters: type and status, then the serial line, then the network address.
    XCHoritzontalLayout linkRow(window);
    linkRow.AddSpacer(SpaceSmall);
    linkRow.AddControl(ctl::kConnectionType, 40);
    linkRow.AddSpacer(SpaceSmall);
    linkRow.AddControl(ctl::kStatusText, 45);
    linkRow.AddSpacer(5);
    linkRow.AddControl(ctl::kStatusIcon, 10);

    XCHoritzontalLayout serialRow(window);
    serialRow.AddSpacer(SpaceSmall);
    serialRow.AddLabelledField(ctl::kComPort, ctl::kComPortLabel, 25);
    serialRow.AddSpacer(SpaceSmallHalf);
    serialRow.AddLabelledField(ctl::kPortConfig, ctl::kPortConfigLabel, 25);
    serialRow.AddSpacer(SpaceSmallHalf);
    serialRow.AddLabelledField(ctl::kStationNumber, ctl::kStationNumberLabel, 25);
    serialRow.AddSpacer(SpaceSmallHalf);
    serialRow.AddSpacer(25);

    XCHoritzontalLayout networkRow(window);
    networkRow.AddSpacer(SpaceSmall);
    networkRow.AddLabelledField(ctl::kAddress, ctl::kAddressLabel, 40);
    networkRow.AddSpacer(SpaceSmallHalf);
    networkRow.AddLabelledField(ctl::kSocket, ctl::kSocketLabel, 20);
    networkRow.AddSpacer(SpaceSmallHalf);
    networkRow.AddSpacer(20);
    networkRow.AddControl(ctl::kUpdateButton, 20);

    XCVerticalLayout connection(window);
    connection.SetFrame(ctl::kConnectionGroup);
    connection.AddSpacer(SpaceSmall);
    connection.AddLayout(linkRow, SizeRow);
    connection.AddSpacer(SpaceSmall);
    connection.AddLayout(serialRow, SizeLabelledField);
    connection.AddSpacer(SpaceSmall);
    connection.AddLayout(networkRow, SizeLabelledField);
    connection.AddSpacer(SpaceSmall);

    XCHoritzontalLayout information(window);
    information.SetFrame(ctl::kInfoGroup);
    information.AddSpacer(SpaceSmall);
    information.AddLabelledField(ctl::kModel, ctl::kModelLabel, 33);
    information.AddSpacer(SpaceSmallHalf);
    information.AddLabelledField(ctl::kHardwareVersion, ctl::kHardwareVersionLabel, 34);
    information.AddSpacer(SpaceSmallHalf);
    information.AddLabelledField(ctl::kSoftwareVersion, ctl::kSoftwareVersionLabel, 33);

    XCHoritzontalLayout rs485(window);
    rs485.SetFrame(ctl::kRs485Group);
    rs485.AddSpacer(SpaceSmall);
    rs485.AddLabelledField(ctl::kDevicePortConfig, ctl::kDevicePortConfigLabel, 50);
    rs485.AddSpacer(SpaceSmallHalf);
    rs485.AddLabelledField(ctl::kDeviceStationNumber, ctl::kDeviceStationNumberLabel, 50);

    // The one-line model has no working mode and no per-line columns worth a header, so its
    // four value rows share the whole box.
    const bool oneLine = IsOneLineModel(modelCode);
    const int valueRowWeight = oneLine ? 25 : 16;
    XCHoritzontalLayout modeRow(window);
    FillModeRow(modeRow, ctl::kWorkingModeLabel, ctl::kWorkingMode, ctl::kWorkingModeNote);
    XCHoritzontalLayout headerRow(window);
    FillHeaderRow(headerRow);
    XCHoritzontalLayout valueRows[4] = {XCHoritzontalLayout(window), XCHoritzontalLayout(window),
                                        XCHoritzontalLayout(window), XCHoritzontalLayout(window)};

    XCVerticalLayout electrical(window);
    electrical.SetFrame(ctl::kElectricalGroup);
    electrical.AddSpacer(SpaceSmallHalf);
    if (!oneLine) {
        electrical.AddLayout(modeRow, 18);
        electrical.AddSpacer(SpaceLargeHalf);
        electrical.AddLayout(headerRow, 18);
        electrical.AddSpacer(SpaceSmallHalf);
    }
    for (int k = 0; k < 4; ++k) {
        // Every model shows four columns here; the window hides what the one-line model lacks.
        FillValueRow(valueRows[k], ctl::kValueRowLabels[k], 4);
        if (k > 0) {
            electrical.AddSpacer(SpaceSmallHalf);
        }
        electrical.AddLayout(valueRows[k], valueRowWeight);
    }

    XCHoritzontalLayout buttons(window);
    buttons.AddSpacer(10);
    buttons.AddControl(ctl::kRs485Button, 30);
    buttons.AddSpacer(20);
    buttons.AddControl(ctl::kElectricalButton, 30);
    buttons.AddSpacer(10);

    XCVerticalLayout root(window);
    root.margins.outerStart = SpaceSmall;
    root.margins.outerEnd = SpaceSmall;
    root.AddSpacer(SpaceSmall);
    root.AddLayout(connection, 0);  // complete above: its hint is taken here
    root.AddSpacer(SpaceSmall);
    root.AddLayout(information, 20);
    root.AddSpacer(SpaceSmall);
    root.AddLayout(rs485, 20);
    root.AddSpacer(SpaceSmall);
    root.AddLayout(electrical, 60);
    root.AddSpacer(SpaceSmall);
    root.AddLayout(buttons, SizeDoubleButton);
    root.AddSpacer(SpaceSmall);

    FinishLayoutPass(window, root, {ctl::kConnectionType, ctl::kComPort, ctl::kPortConfig});
    return true;
}
