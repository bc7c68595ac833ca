#include "ui/logic/rs485_dlg.h"

#include <optional>
#include <string>

#include "app/string_table.h"
#include "config/settings.h"
#include "layout/control_ids.h"
#include "layout/window_layouts.h"
#include "protocol/device_operations.h"
#include "ui/logic/editing_dialog.h"

namespace {

constexpr int kLowestStation = 1;
constexpr int kHighestStation = 255;

// String-table texts of this dialog.
constexpr unsigned kTitleText = 20;
constexpr unsigned kPortConfigLabelText = 6;
constexpr unsigned kStationLabelText = 8;
constexpr unsigned kConfirmText = 19;
constexpr unsigned kNoPortConfigText = 25;
constexpr unsigned kBadStationText = 26;
constexpr unsigned kNoLinkText = 3;
constexpr unsigned kNoAnswerText = 4;
constexpr unsigned kDeviceBadStationText = 34;

// The station number field as the user sees it: digits only, 1 to 255. Anything else
// (empty, signs, blanks, letters, values of any length beyond the range) is refused, so the
// device never gets a number the field did not show.
std::optional<int> ParseStation(const std::u16string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - u'0');
        if (value > kHighestStation) {
            return std::nullopt;
        }
    }
    if (value < kLowestStation) {
        return std::nullopt;
    }
    return value;
}

std::u16string DecimalText(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

ZELRS485Dlg::ZELRS485Dlg(Toolkit& toolkit, ConnectionSettings& settings, XCConnection* channel)
    : toolkit_(toolkit),
      settings_(settings),
      channel_(channel),
      windowIcon_(LoadWindowIcon(toolkit)) {}

DialogResult ZELRS485Dlg::DoModal() {
    return toolkit_.RunModal(dialog_template::kRs485, *this);
}

void ZELRS485Dlg::OnInitDialog(DialogHost& host) {
    ShowEditingFrame(host, windowIcon_, kTitleText);
    host.SetText(ctl::kDlgPortConfigLabel, LoadText(kPortConfigLabelText));
    host.ClearItems(ctl::kDlgPortConfig);
    for (std::size_t i = 0; i < info_.portConfigTexts.size(); ++i) {
        host.AddItem(ctl::kDlgPortConfig, info_.portConfigTexts[i], static_cast<std::intptr_t>(i));
    }
    host.SetText(ctl::kDlgStationNumberLabel, LoadText(kStationLabelText));
    LayoutRs485Dialog(host);

    // The read only proves that the device answers at the station the window uses; the
    // dialog shows the window's own values, which are the ones the user compares against.
    int result = kDeviceNoLink;
    const int station = settings_.stNum;
    host.RunBlocking([&] { result = ReadDevice(info_, station, channel_); });
    switch (result) {
        case kDeviceOk:
        case kDeviceBadStation:
            host.SetSelection(ctl::kDlgPortConfig, settings_.portConfig);
            host.SetText(ctl::kDlgStationNumber, DecimalText(settings_.stNum));
            host.SetText(ctl::kStatusText,
                         result == kDeviceOk ? std::u16string() : LoadText(kDeviceBadStationText));
            break;
        case kDeviceNoLink:
            host.SetText(ctl::kStatusText, LoadText(kNoLinkText));
            break;
        default:
            host.SetText(ctl::kStatusText, LoadText(kNoAnswerText));
            break;
    }
}

void ZELRS485Dlg::OnOk(DialogHost& host) {
    const int newPortConfig = host.Selection(ctl::kDlgPortConfig);
    if (newPortConfig < 0) {
        host.MessageBox(LoadText(kNoPortConfigText), MessageButtons::Ok);
        host.SetFocus(ctl::kDlgPortConfig);
        return;
    }
    const std::optional<int> newStation = ParseStation(host.GetText(ctl::kDlgStationNumber));
    if (!newStation) {
        host.MessageBox(LoadText(kBadStationText), MessageButtons::Ok);
        host.SetFocus(ctl::kDlgStationNumber);
        return;
    }
    if (newPortConfig == settings_.portConfig && *newStation == settings_.stNum) {
        host.EndDialog(DialogResult::Ok);
        return;
    }
    if (host.MessageBox(LoadText(kConfirmText), MessageButtons::OkCancel) != DialogResult::Ok) {
        return;
    }

    // Addressed to the station the device answers at now; the record changes only once the
    // device has confirmed, so a failed write leaves the window's connection as it was.
    int result = kDeviceNoLink;
    const int oldStation = settings_.stNum;
    host.RunBlocking(
        [&] { result = WriteRS485Params(oldStation, channel_, *newStation, newPortConfig); });
    if (result == kDeviceOk) {
        settings_.portConfig = newPortConfig;
        settings_.stNum = *newStation;
        host.EndDialog(DialogResult::Ok);
        return;
    }
    host.MessageBox(LoadText(result == kDeviceNoLink ? kNoLinkText : kNoAnswerText),
                    MessageButtons::Ok);
}
