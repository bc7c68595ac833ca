// The electrical parameters dialog: shows the working mode, transformer ratios and thresholds
// read from the device, checks the user's entries, asks before writing and writes them all.
#pragma once

#include <string>

#include "comm/connection.h"
#include "protocol/device_info.h"
#include "ui/logic/dialog_host.h"

class ZELPELECDlg : public DialogHandler {
public:
    // Addresses the device at `station` through `channel` (which may be null; the dialog then
    // shows the link failure). Loads the window icon named by the settings file.
    ZELPELECDlg(Toolkit& toolkit, int station, XCConnection* channel);

    // Runs the dialog. Ok when the user confirmed values that were unchanged or written by the
    // device; Cancel when the user cancelled (nothing written).
    DialogResult DoModal();

    void OnInitDialog(DialogHost& host) override;
    void OnOk(DialogHost& host) override;

private:
    // Shows the values read and remembers them as `shown_`, in device units.
    void FillFromDevice(DialogHost& host);

    Toolkit& toolkit_;
    int station_;
    XCConnection* channel_;
    IconRef windowIcon_;
    DeviceInfo info_;
    // What was put on screen after the read, in device units; meaningful only when `readOk_`.
    ElectricalParams shown_{};
    bool readOk_ = false;
};
