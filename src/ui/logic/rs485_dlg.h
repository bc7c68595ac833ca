// The RS-485 parameters dialog: shows the device's port configuration and station number,
// checks the user's choice, asks before writing and writes both values in one request.
#pragma once

#include "comm/connection.h"
#include "protocol/device_info.h"
#include "ui/logic/dialog_host.h"

struct ConnectionSettings;

class ZELRS485Dlg : public DialogHandler {
public:
    // Keeps references to `settings` and `channel` (which may be null) for the dialog's life and
    // loads the window icon named by the settings file (the program icon when that fails).
    ZELRS485Dlg(Toolkit& toolkit, ConnectionSettings& settings, XCConnection* channel);

    // Runs the dialog. Ok when the user confirmed values that were unchanged or accepted by the
    // device; only then `settings.portConfig` and `settings.stNum` hold the new values.
    // Cancel otherwise, with `settings` untouched and nothing written.
    DialogResult DoModal();

    void OnInitDialog(DialogHost& host) override;
    void OnOk(DialogHost& host) override;

private:
    Toolkit& toolkit_;
    ConnectionSettings& settings_;
    XCConnection* channel_;
    IconRef windowIcon_;
    DeviceInfo info_;
};
