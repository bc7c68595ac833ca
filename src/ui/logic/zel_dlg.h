// The main window: the connection settings and the channel built from them, the device
// display, and the commands that open the editing dialogs and the About box.
#pragma once

#include <memory>
#include <string>

#include "comm/connection.h"
#include "config/settings.h"
#include "config/xml_document.h"
#include "protocol/device_info.h"
#include "ui/logic/dialog_host.h"

class CZELDlg : public DialogHandler {
public:
    // The refresh timer's id; nothing reacts to its ticks.
    static constexpr int kRefreshTimerId = 1;

    // Loads the settings from default.xcfg in the working folder (writing the file back with
    // its defaults filled in) and the window icon the settings name. No channel yet.
    explicit CZELDlg(Toolkit& toolkit);

    // Runs the window until the close box, Escape or Enter ends it. Nothing is saved then.
    DialogResult DoModal();

    void OnInitDialog(DialogHost& host) override;
    void OnCommand(DialogHost& host, int id) override;
    void OnSelectionChanged(DialogHost& host, int id) override;
    void OnTextChanged(DialogHost& host, int id) override;
    void OnSize(DialogHost& host) override;
    void OnSysCommand(DialogHost& host, int command) override;

    // Puts the settings into the connection controls, ends the initialising state, enables
    // the controls of the chosen link and builds the first channel.
    void FillConnectionControls(DialogHost& host);
    // Enables the COM port controls for a serial link, the address and socket controls for
    // every other link (and nothing selected counts as not serial).
    void UpdateConnectionControls(DialogHost& host);
    // Drops the channel and builds a new one from the controls. On success the settings are
    // taken from the controls and stored in default.xcfg; without a channel the status line
    // shows text 3, the display is cleared and the editing buttons are disabled, and nothing
    // is stored.
    void ApplyConnection(DialogHost& host);
    // A new, closed channel for the chosen link, or nullptr when no link type is chosen or a
    // serial link has no valid port configuration. Network links take address and port from
    // their fields as they stand.
    std::unique_ptr<XCConnection> CreateChannel(const DialogHost& host) const;
    // Reads the device at the settings' station through the channel and shows the result:
    // the filled display with the editing buttons enabled, or text 3 / 4 with the display
    // cleared, or, for a station the device reports outside 1 to 255, text 34 in a message box
    // with everything else left as it was.
    void RefreshDevice(DialogHost& host);
    // "-" in every display field (the III ratio stays empty); nothing else changes.
    void ClearDeviceDisplay(DialogHost& host);

    const ConnectionSettings& Settings() const { return settings; }
    XCConnection* Channel() const { return channel.get(); }
    bool IsModified() const { return modified; }
    const DeviceInfo& Device() const { return deviceInfo; }
    const std::u16string& ProductName() const { return productName; }
    int RefreshPeriodMs() const { return refreshPeriodMs; }
    const IconRef& WindowIcon() const { return windowIcon; }

private:
    void OnUpdate(DialogHost& host);
    void OnRs485Parameters(DialogHost& host);
    void OnElectricalParameters(DialogHost& host);
    void OnAbout();
    // A user's change of a connection control: remembered, and the editing buttons go off
    // until the next successful read with the new settings.
    void MarkModified(DialogHost& host);
    void EnableEditing(DialogHost& host, bool enabled);
    void ShowStateIcon(DialogHost& host, int resource);
    void StartRefreshTimer(DialogHost& host);
    void FillComPortList(DialogHost& host);
    void ShowModelDependentPart(DialogHost& host, bool visible);
    void Layout(DialogHost& host);

    Toolkit& toolkit;
    XmlDocument document;
    ConnectionSettings settings;
    std::u16string productName;
    int refreshPeriodMs = 0;
    IconRef windowIcon;
    DeviceInfo deviceInfo;
    std::unique_ptr<XCConnection> channel;
    bool initialising = true;
    bool modified = false;
    int stateIcon = icon::kNotConnected;
};
