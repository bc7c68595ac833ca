// The main window's commands that open another window and wait for it.
#include "layout/control_ids.h"
#include "ui/logic/about_dlg.h"
#include "ui/logic/main_window_display.h"
#include "ui/logic/pelec_dlg.h"
#include "ui/logic/rs485_dlg.h"
#include "ui/logic/zel_dlg.h"

void CZELDlg::OnRs485Parameters(DialogHost& host) {
    // The dialog borrows the channel; nothing may touch it meanwhile.
    host.StopTimer(kRefreshTimerId);
    ConnectionSettings lent;
    lent.port = settings.port;
    lent.portConfig = settings.portConfig;
    lent.stNum = settings.stNum;
    ZELRS485Dlg dialog(toolkit, lent, channel.get());
    if (dialog.DoModal() == DialogResult::Ok) {
        ClearDeviceDisplay(host);
        // The device now answers at its new line settings and station: follow it there.
        settings.portConfig = lent.portConfig;
        host.SetSelection(ctl::kPortConfig, lent.portConfig);
        host.SetText(ctl::kStationNumber, DecimalText(lent.stNum));
        ApplyConnection(host);
        RefreshDevice(host);
    }
    StartRefreshTimer(host);
}

void CZELDlg::OnElectricalParameters(DialogHost& host) {
    host.StopTimer(kRefreshTimerId);
    ZELPELECDlg dialog(toolkit, settings.stNum, channel.get());
    if (dialog.DoModal() == DialogResult::Ok) {
        ClearDeviceDisplay(host);
        RefreshDevice(host);
    }
    StartRefreshTimer(host);
}

void CZELDlg::OnAbout() {
    CAboutDlg dialog(toolkit);
    dialog.DoModal();
}
