#include "ui/logic/zel_dlg.h"

#include <climits>

#include "app/string_table.h"
#include "comm/port_config.h"
#include "config/utf.h"
#include "config/wide_integer.h"
#include "layout/control_ids.h"
#include "layout/window_layouts.h"
#include "platform/com_port.h"
#include "protocol/device_operations.h"
#include "ui/logic/main_window_channel.h"
#include "ui/logic/main_window_display.h"

namespace {

// The About entry of the window's own menu; a fixed text of the program, not a translation.
constexpr const char16_t* kAboutMenuText = u"&Acerca de ...";
constexpr const char16_t* kVersionSuffix = u" 1.1";

// String-table texts of the main window.
enum Text : unsigned {
    kTextNoConnection = 3,
    kTextNoAnswer = 4,
    kTextComPort = 5,
    kTextPortConfig = 6,
    kTextConnectionGroup = 7,
    kTextStationNumber = 8,
    kTextInfoGroup = 9,
    kTextHardwareVersion = 10,
    kTextSoftwareVersion = 11,
    kTextWorkingMode = 12,
    kTextModel = 13,
    kTextEditButton = 17,
    kTextRs485Group = 20,
    kTextElectricalGroup = 21,
    kTextStationOutOfRange = 26,
    kTextRatio = 27,
    kTextMeasure = 28,
    kTextThreshold = 29,
    kTextDelay = 30,
    kTextBadDeviceStation = 34,
    kTextWorkingModeNote = 58,
    kTextUpdate = 60,
    kTextReading = 61,
};

constexpr int kHighestStation = 255;

// The connection types in list order; the item data is the ConnectionType code.
constexpr const char16_t* kConnectionTypeNames[] = {u"Serial", u"UDP", u"TCP", u"ModbusTCP"};

// A number field shows nothing for 0 or less: "not entered".
std::u16string OptionalNumberText(int value) {
    return value > 0 ? DecimalText(value) : std::u16string();
}

int SelectedItemData(const DialogHost& host, int id) {
    const int index = host.Selection(id);
    return index < 0 ? -1 : static_cast<int>(host.ItemData(id, index));
}

// A timer takes its period as unsigned: 0 runs at the shortest period a timer has, and a
// negative period (a huge unsigned one) at the longest.
int TimerPeriod(int periodMs) {
    constexpr int kShortestPeriodMs = 10;
    if (periodMs < 0) {
        return INT_MAX;
    }
    return periodMs < kShortestPeriodMs ? kShortestPeriodMs : periodMs;
}

}  // namespace

CZELDlg::CZELDlg(Toolkit& toolkitRef) : toolkit(toolkitRef) {
    const LoadedSettings loaded = LoadSettings(document);
    settings = loaded.connection;
    productName = loaded.productName;
    refreshPeriodMs = loaded.refreshPeriodMs;
    windowIcon = toolkit.LoadIconFile(WideToUtf8(loaded.iconFile));
    if (!windowIcon.IsValid()) {
        windowIcon = IconRef::Resource(icon::kApplication);
    }
}

DialogResult CZELDlg::DoModal() {
    return toolkit.RunModal(dialog_template::kMain, *this);
}

void CZELDlg::OnInitDialog(DialogHost& host) {
    host.AddSystemMenuEntry(kAboutMenuText, ctl::kAboutCommand);
    host.SetWindowIcon(windowIcon);

    host.SetText(ctl::kConnectionGroup, LoadText(kTextConnectionGroup));
    host.SetText(ctl::kComPortLabel, LoadText(kTextComPort));
    host.SetText(ctl::kPortConfigLabel, LoadText(kTextPortConfig));
    host.SetText(ctl::kStationNumberLabel, LoadText(kTextStationNumber));
    ShowStateIcon(host, icon::kNotConnected);

    host.SetText(ctl::kUpdateButton, LoadText(kTextUpdate));
    host.SetText(ctl::kInfoGroup, LoadText(kTextInfoGroup));
    host.SetText(ctl::kHardwareVersionLabel, LoadText(kTextHardwareVersion));
    host.SetText(ctl::kSoftwareVersionLabel, LoadText(kTextSoftwareVersion));
    host.SetText(ctl::kModelLabel, LoadText(kTextModel));
    host.SetText(ctl::kRs485Group, LoadText(kTextRs485Group));
    host.SetText(ctl::kDevicePortConfigLabel, LoadText(kTextPortConfig));
    host.SetText(ctl::kDeviceStationNumberLabel, LoadText(kTextStationNumber));

    const std::u16string editCaption = u"  " + LoadText(kTextEditButton);
    host.SetText(ctl::kRs485Button, editCaption);
    host.SetButtonIcon(ctl::kRs485Button, IconRef::Resource(icon::kEditRs485));

    host.SetText(ctl::kElectricalGroup, LoadText(kTextElectricalGroup));
    const char16_t* const columnHeads[] = {u"L1", u"L2", u"L3", u"III"};
    for (std::size_t i = 0; i < ctl::kColumnHeads.size(); ++i) {
        host.SetText(ctl::kColumnHeads[i], columnHeads[i]);
    }
    const unsigned rowTexts[] = {kTextRatio, kTextMeasure, kTextThreshold, kTextDelay};
    for (std::size_t i = 0; i < ctl::kValueRowLabels.size(); ++i) {
        host.SetText(ctl::kValueRowLabels[i], LoadText(rowTexts[i]));
    }
    host.SetText(ctl::kWorkingModeLabel, LoadText(kTextWorkingMode));
    host.SetText(ctl::kWorkingModeNote, LoadText(kTextWorkingModeNote));

    host.SetText(ctl::kElectricalButton, editCaption);
    host.SetButtonIcon(ctl::kElectricalButton, IconRef::Resource(icon::kEditElectrical));

    Layout(host);

    ShowStateIcon(host, icon::kNotConnected);
    EnableEditing(host, false);
    ClearDeviceDisplay(host);
    FillConnectionControls(host);

    host.SetTitle(productName + kVersionSuffix);
    StartRefreshTimer(host);
}

void CZELDlg::FillConnectionControls(DialogHost& host) {
    host.ClearItems(ctl::kConnectionType);
    for (std::size_t i = 0; i < std::size(kConnectionTypeNames); ++i) {
        host.AddItem(ctl::kConnectionType, kConnectionTypeNames[i], static_cast<int>(i));
    }
    host.SetSelection(ctl::kConnectionType, settings.comType);

    FillComPortList(host);
    host.SetSelection(ctl::kComPort, -1);
    for (int i = 0; i < host.ItemCount(ctl::kComPort); ++i) {
        if (host.ItemData(ctl::kComPort, i) == settings.port) {
            host.SetSelection(ctl::kComPort, i);
            break;
        }
    }

    host.ClearItems(ctl::kPortConfig);
    for (int i = 0; i < kPortConfigCount; ++i) {
        host.AddItem(ctl::kPortConfig, deviceInfo.portConfigTexts[i], i);
    }
    host.SetSelection(ctl::kPortConfig, settings.portConfig);

    // These writes raise text-change events; the initialising mark keeps them from counting
    // as the user's changes.
    host.SetText(ctl::kStationNumber, OptionalNumberText(settings.stNum));
    host.SetText(ctl::kAddress, settings.ipAddress);
    host.SetText(ctl::kSocket, OptionalNumberText(settings.ipSocket));

    initialising = false;
    UpdateConnectionControls(host);
    ApplyConnection(host);
}

void CZELDlg::FillComPortList(DialogHost& host) {
    host.ClearItems(ctl::kComPort);
    for (int number = 1; number <= platform::kHighestComPort; ++number) {
        const int index = host.AddItem(ctl::kComPort, ComPortName(number), number);
        const ComPortDevice device = DescribeComPort(number);
        host.SetItemDecoration(ctl::kComPort, index, device.path, device.present);
    }
}

void CZELDlg::UpdateConnectionControls(DialogHost& host) {
    const bool serial =
        SelectedItemData(host, ctl::kConnectionType) == static_cast<int>(ConnectionType::Serial);
    for (int id : {ctl::kComPortLabel, ctl::kComPort, ctl::kPortConfigLabel, ctl::kPortConfig}) {
        host.Enable(id, serial);
    }
    for (int id : {ctl::kAddressLabel, ctl::kAddress, ctl::kSocketLabel, ctl::kSocket}) {
        host.Enable(id, !serial);
    }
}

void CZELDlg::ApplyConnection(DialogHost& host) {
    if (channel) {
        channel->Close();
        channel.reset();
    }
    channel = CreateChannel(host);
    if (!channel) {
        host.SetText(ctl::kStatusText, LoadText(kTextNoConnection));
        ClearDeviceDisplay(host);
        EnableEditing(host, false);
        ShowStateIcon(host, icon::kNotConnected);
        return;
    }
    ConnectionSettings fromControls;
    fromControls.comType = SelectedItemData(host, ctl::kConnectionType);
    fromControls.stNum = ParseWideInteger(host.GetText(ctl::kStationNumber));
    fromControls.portConfig = host.Selection(ctl::kPortConfig);
    fromControls.port = SelectedItemData(host, ctl::kComPort);
    fromControls.ipAddress = host.GetText(ctl::kAddress);
    fromControls.ipSocket = ParseWideInteger(host.GetText(ctl::kSocket));
    StoreSettings(document, fromControls, settings);
}

std::unique_ptr<XCConnection> CZELDlg::CreateChannel(const DialogHost& host) const {
    if (host.Selection(ctl::kConnectionType) < 0) {
        return nullptr;
    }
    const int type = SelectedItemData(host, ctl::kConnectionType);
    if (type == static_cast<int>(ConnectionType::Serial)) {
        return CreateSerialChannel(settings.port, settings.portConfig);
    }
    return CreateNetworkChannel(type, host.GetText(ctl::kAddress), host.GetText(ctl::kSocket));
}

void CZELDlg::OnCommand(DialogHost& host, int id) {
    switch (id) {
        case ctl::kUpdateButton:
            OnUpdate(host);
            break;
        case ctl::kRs485Button:
            OnRs485Parameters(host);
            break;
        case ctl::kElectricalButton:
            OnElectricalParameters(host);
            break;
        default:
            break;
    }
}

void CZELDlg::OnSelectionChanged(DialogHost& host, int id) {
    switch (id) {
        case ctl::kConnectionType:
            settings.comType = SelectedItemData(host, id);
            MarkModified(host);
            UpdateConnectionControls(host);
            break;
        case ctl::kComPort:
            settings.port = SelectedItemData(host, id);
            MarkModified(host);
            break;
        case ctl::kPortConfig:
            settings.portConfig = host.Selection(id);
            MarkModified(host);
            break;
        default:
            break;
    }
}

void CZELDlg::OnTextChanged(DialogHost& host, int id) {
    if (initialising) {
        return;
    }
    switch (id) {
        case ctl::kStationNumber:
            settings.stNum = ParseWideInteger(host.GetText(id));
            MarkModified(host);
            if (settings.stNum > kHighestStation) {
                host.MessageBox(LoadText(kTextStationOutOfRange), MessageButtons::Ok);
                // Raises this handler again, which takes 255 as the station.
                host.SetText(id, DecimalText(kHighestStation));
            }
            break;
        case ctl::kAddress:
            settings.ipAddress = host.GetText(id).substr(0, kMaxAddressLength);
            MarkModified(host);
            break;
        case ctl::kSocket:
            settings.ipSocket = ParseWideInteger(host.GetText(id));
            MarkModified(host);
            break;
        default:
            break;
    }
}

void CZELDlg::OnSize(DialogHost& host) {
    Layout(host);
    if (host.HasControl(ctl::kStatusIcon)) {
        ShowStateIcon(host, stateIcon);
    }
}

void CZELDlg::OnSysCommand(DialogHost& host, int command) {
    (void)host;
    // The low four bits of a menu command are the window system's own.
    if ((command & ~0xF) == ctl::kAboutCommand) {
        OnAbout();
    }
}

void CZELDlg::OnUpdate(DialogHost& host) {
    host.SetText(ctl::kStatusText, LoadText(kTextReading));
    if (modified) {
        ApplyConnection(host);
        modified = false;
    }
    RefreshDevice(host);
}

void CZELDlg::RefreshDevice(DialogHost& host) {
    int result = kDeviceNoLink;
    XCConnection* const link = channel.get();
    const int station = settings.stNum;
    host.RunBlocking([&] { result = ReadDevice(deviceInfo, station, link); });

    if (result == kDeviceBadStation) {
        host.MessageBox(LoadText(kTextBadDeviceStation), MessageButtons::Ok);
        return;
    }
    if (result != kDeviceOk) {
        host.SetText(ctl::kStatusText,
                     LoadText(result == kDeviceNoLink ? kTextNoConnection : kTextNoAnswer));
        ClearDeviceDisplay(host);
        EnableEditing(host, false);
        ShowStateIcon(host, icon::kNotConnected);
        return;
    }
    for (const DisplayField& field : DeviceDisplayFields(deviceInfo)) {
        host.SetText(field.id, field.text);
    }
    host.SetText(ctl::kStatusText, {});
    EnableEditing(host, true);
    ShowModelDependentPart(host, !IsOneLineDevice(deviceInfo));
    Layout(host);
    ShowStateIcon(host, icon::kConnected);
}

void CZELDlg::ClearDeviceDisplay(DialogHost& host) {
    for (const DisplayField& field : EmptyDisplayFields()) {
        host.SetText(field.id, field.text);
    }
}

void CZELDlg::ShowModelDependentPart(DialogHost& host, bool visible) {
    for (int id : kThreeLineOnlyControls) {
        host.Enable(id, visible);
        host.Show(id, visible);
    }
}

void CZELDlg::MarkModified(DialogHost& host) {
    modified = true;
    EnableEditing(host, false);
}

void CZELDlg::EnableEditing(DialogHost& host, bool enabled) {
    host.Enable(ctl::kRs485Button, enabled);
    host.Enable(ctl::kElectricalButton, enabled);
}

void CZELDlg::ShowStateIcon(DialogHost& host, int resource) {
    stateIcon = resource;
    host.SetControlIcon(ctl::kStatusIcon, IconRef::Resource(resource));
}

void CZELDlg::StartRefreshTimer(DialogHost& host) {
    host.StartTimer(kRefreshTimerId, TimerPeriod(refreshPeriodMs));
}

void CZELDlg::Layout(DialogHost& host) {
    LayoutMainWindow(host, deviceInfo.model);
}
