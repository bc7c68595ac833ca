#include "ui/logic/pelec_dlg.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "app/string_table.h"
#include "layout/control_ids.h"
#include "layout/window_layouts.h"
#include "protocol/device_operations.h"
#include "ui/logic/editing_dialog.h"

namespace {

// String-table texts of this dialog.
constexpr unsigned kTitleText = 21;
constexpr unsigned kWorkingModeLabelText = 12;
constexpr unsigned kWorkingModeNoteText = 58;
constexpr unsigned kRatioLabelText = 27;
constexpr unsigned kMeasureLabelText = 28;
constexpr unsigned kThresholdLabelText = 29;
constexpr unsigned kDelayLabelText = 30;
constexpr unsigned kConfirmText = 19;
constexpr unsigned kNoMeasureText = 35;
constexpr unsigned kBadRatioText = 36;
constexpr unsigned kBadThresholdText = 37;
constexpr unsigned kBadDelayText = 38;
constexpr unsigned kNoLinkText = 3;
constexpr unsigned kNoAnswerText = 4;
constexpr unsigned kDeviceBadStationText = 34;
constexpr unsigned kNoWorkingModeText = 62;

constexpr std::array<int, kRatioCount> kRatioFields = {ctl::kDlgRatioL1, ctl::kDlgRatioL2,
                                                       ctl::kDlgRatioL3};
constexpr std::array<int, kThresholdLineCount> kMeasureLists = {
    ctl::kDlgMeasureL1, ctl::kDlgMeasureL2, ctl::kDlgMeasureL3, ctl::kDlgMeasureTotal};
constexpr std::array<int, kThresholdLineCount> kThresholdFields = {
    ctl::kDlgThresholdL1, ctl::kDlgThresholdL2, ctl::kDlgThresholdL3, ctl::kDlgThresholdTotal};
constexpr std::array<int, kThresholdLineCount> kDelayFields = {
    ctl::kDlgDelayL1, ctl::kDlgDelayL2, ctl::kDlgDelayL3, ctl::kDlgDelayTotal};
constexpr std::array<const char16_t*, kThresholdLineCount> kColumnNames = {u"L1", u"L2", u"L3",
                                                                           u"III"};

// Everything the one-line model lacks; it keeps only the L1 ratio and the buttons.
constexpr int kThreeLineOnly[] = {
    ctl::kDlgRatioL2,        ctl::kDlgRatioL3,     ctl::kDlgRatioTotal,
    ctl::kDlgThresholdL1,    ctl::kDlgThresholdL2, ctl::kDlgThresholdL3,
    ctl::kDlgThresholdTotal, ctl::kDlgDelayL1,     ctl::kDlgDelayL2,
    ctl::kDlgDelayL3,        ctl::kDlgDelayTotal,  ctl::kDlgMeasureL1,
    ctl::kDlgMeasureL2,      ctl::kDlgMeasureL3,   ctl::kDlgMeasureTotal,
    ctl::kDlgWorkingMode,    ctl::kColumnL1,       ctl::kColumnL2,
    ctl::kColumnL3,          ctl::kColumnTotal,    ctl::kDlgMeasureLabel,
    ctl::kDlgThresholdLabel, ctl::kDlgDelayLabel,  ctl::kDlgWorkingModeLabel,
    ctl::kWorkingModeNote,
};

// Ratios, measure codes, delays and the working mode live in 16-bit registers; a threshold
// spans two registers.
constexpr std::uint32_t kRegisterMax = 0xFFFF;
constexpr std::uint32_t kThresholdMax = 0xFFFFFFFF;

// The measure code whose line thresholds the device keeps in tenths.
constexpr int kTenthsMeasureCode = 1;

std::u16string DecimalText(std::uint32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// A value kept in tenths, shown as the user enters it: 123 as "12.3", 5 as "0.5".
std::u16string TenthsText(std::uint32_t tenths) {
    return DecimalText(tenths / 10) + u'.' + static_cast<char16_t>(u'0' + tenths % 10);
}

// A field's text in device units. Whole numbers are plain digits; with `tenths`, one decimal
// after '.' or ',' may follow and the value is scaled by ten ("12.3" and "12,3" give 123, "15"
// gives 150). Empty text, blanks, signs, letters and values above `max` (in device units) are
// refused rather than cut, so the device never gets a number the field did not show.
std::optional<std::uint32_t> ParseField(const std::u16string& text, bool tenths,
                                        std::uint32_t max) {
    std::uint64_t value = 0;
    std::size_t pos = 0;
    while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
        value = value * 10 + static_cast<unsigned>(text[pos] - u'0');
        if (value > max) {
            return std::nullopt;
        }
        ++pos;
    }
    if (pos == 0) {
        return std::nullopt;
    }
    if (tenths) {
        value *= 10;
        if (pos < text.size() && (text[pos] == u'.' || text[pos] == u',')) {
            if (pos + 2 != text.size() || text[pos + 1] < u'0' || text[pos + 1] > u'9') {
                return std::nullopt;
            }
            value += static_cast<unsigned>(text[pos + 1] - u'0');
            pos += 2;
        }
    }
    if (pos != text.size() || value > max) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

bool IsTenths(int column, int measureCode) {
    return column < kRatioCount && measureCode == kTenthsMeasureCode;
}

// The model code as the device reported it; 0 (a three-line code) when nothing was read.
int ModelCodeOf(const DeviceInfo& info) {
    return static_cast<int>(static_cast<std::uint32_t>(info.model));
}

}  // namespace

ZELPELECDlg::ZELPELECDlg(Toolkit& toolkit, int station, XCConnection* channel)
    : toolkit_(toolkit),
      station_(station),
      channel_(channel),
      windowIcon_(LoadWindowIcon(toolkit)) {}

DialogResult ZELPELECDlg::DoModal() {
    return toolkit_.RunModal(dialog_template::kElectrical, *this);
}

void ZELPELECDlg::OnInitDialog(DialogHost& host) {
    ShowEditingFrame(host, windowIcon_, kTitleText);
    for (int i = 0; i < kThresholdLineCount; ++i) {
        host.SetText(ctl::kColumnHeads[i], kColumnNames[i]);
    }
    host.SetText(ctl::kDlgWorkingModeLabel, LoadText(kWorkingModeLabelText));
    host.ClearItems(ctl::kDlgWorkingMode);
    for (int mode = 0; mode < kWorkingModeCount; ++mode) {
        host.AddItem(ctl::kDlgWorkingMode, info_.workingModeTexts[mode], mode);
    }
    host.SetText(ctl::kWorkingModeNote, LoadText(kWorkingModeNoteText));
    host.SetText(ctl::kDlgRatioLabel, LoadText(kRatioLabelText));
    host.SetText(ctl::kDlgMeasureLabel, LoadText(kMeasureLabelText));
    for (int i = 0; i < kThresholdLineCount; ++i) {
        const bool line = i < kRatioCount;
        const int count = line ? kLineMeasureCount : kTotalMeasureCount;
        host.ClearItems(kMeasureLists[i]);
        for (int code = 1; code <= count; ++code) {
            host.AddItem(kMeasureLists[i],
                         line ? LineMeasureText(info_, code) : TotalMeasureText(info_, code), code);
        }
    }
    host.SetText(ctl::kDlgThresholdLabel, LoadText(kThresholdLabelText));
    host.SetText(ctl::kDlgDelayLabel, LoadText(kDelayLabelText));

    int result = kDeviceNoLink;
    host.RunBlocking([&] { result = ReadDevice(info_, station_, channel_); });
    // A device that reports a bad station number stops the read before the electrical values,
    // so there is nothing of them to show: zeros would pass for the device's settings.
    readOk_ = result == kDeviceOk;
    if (readOk_) {
        FillFromDevice(host);
    }
    switch (result) {
        case kDeviceOk:
            host.SetText(ctl::kStatusText, std::u16string());
            break;
        case kDeviceNoLink:
            host.SetText(ctl::kStatusText, LoadText(kNoLinkText));
            break;
        case kDeviceBadStation:
            host.SetText(ctl::kStatusText, LoadText(kDeviceBadStationText));
            break;
        default:
            host.SetText(ctl::kStatusText, LoadText(kNoAnswerText));
            break;
    }

    // The model decides which values the OK handler reads, so the controls follow it even when
    // only the identification came through; an unread model counts as the three-line one.
    // The III column has no ratio on any model.
    host.Enable(ctl::kDlgRatioTotal, false);
    host.Show(ctl::kDlgRatioTotal, false);
    if (IsOneLineModel(ModelCodeOf(info_))) {
        for (const int id : kThreeLineOnly) {
            host.Enable(id, false);
            host.Show(id, false);
        }
    }
    LayoutElectricalDialog(host, info_.model);
}

void ZELPELECDlg::FillFromDevice(DialogHost& host) {
    shown_ = ElectricalParamsOf(info_);
    shown_[kParamModelCode] = ModelCodeOf(info_);
    for (int i = 0; i < kThresholdLineCount; ++i) {
        if (i < kRatioCount) {
            host.SetText(kRatioFields[i], DecimalText(static_cast<std::uint16_t>(info_.ratio[i])));
        }
        host.SetSelection(kMeasureLists[i], info_.measure[i] - 1);
        // The threshold's 32 bits are shown unsigned, as the device holds them.
        const auto threshold = static_cast<std::uint32_t>(info_.threshold[i]);
        host.SetText(kThresholdFields[i], IsTenths(i, info_.measure[i]) ? TenthsText(threshold)
                                                                        : DecimalText(threshold));
        host.SetText(kDelayFields[i], DecimalText(static_cast<std::uint16_t>(info_.delay[i])));
    }
    host.SetSelection(ctl::kDlgWorkingMode, info_.workingMode);
}

void ZELPELECDlg::OnOk(DialogHost& host) {
    const int modelCode = ModelCodeOf(info_);
    const bool oneLine = IsOneLineModel(modelCode);
    const int columns = oneLine ? 1 : kThresholdLineCount;

    if (!oneLine) {
        for (const int list : kMeasureLists) {
            if (host.Selection(list) < 0) {
                host.MessageBox(LoadText(kNoMeasureText), MessageButtons::Ok);
                host.SetFocus(list);
                return;
            }
        }
    }

    // Unread positions keep what was shown, so they never count as a change.
    ElectricalParams entered = shown_;
    entered[kParamModelCode] = modelCode;
    for (int i = 0; i < columns; ++i) {
        if (i < kRatioCount) {
            const auto ratio = ParseField(host.GetText(kRatioFields[i]), false, kRegisterMax);
            if (!ratio) {
                host.MessageBox(LoadText(kBadRatioText), MessageButtons::Ok);
                host.SetFocus(kRatioFields[i]);
                return;
            }
            entered[kParamRatio + i] = static_cast<int>(*ratio);
        }
        if (oneLine) {
            break;
        }
        const int measureCode = host.Selection(kMeasureLists[i]) + 1;
        entered[kParamMeasure + i] = measureCode;
        const auto threshold =
            ParseField(host.GetText(kThresholdFields[i]), IsTenths(i, measureCode), kThresholdMax);
        if (!threshold) {
            host.MessageBox(LoadText(kBadThresholdText), MessageButtons::Ok);
            host.SetFocus(kThresholdFields[i]);
            return;
        }
        // Kept as the same 32 bits the device holds.
        entered[kParamThreshold + i] = static_cast<int>(*threshold);
        const auto delay = ParseField(host.GetText(kDelayFields[i]), false, kRegisterMax);
        if (!delay) {
            host.MessageBox(LoadText(kBadDelayText), MessageButtons::Ok);
            host.SetFocus(kDelayFields[i]);
            return;
        }
        entered[kParamDelay + i] = static_cast<int>(*delay);
    }

    if (!oneLine) {
        // A mode the list cannot show (the device reported a code beyond it) is written back
        // as the device reported it; without a read there is nothing to fall back on.
        const int mode = host.Selection(ctl::kDlgWorkingMode);
        if (mode >= 0) {
            entered[kParamWorkingMode] = mode;
        } else if (!readOk_) {
            host.MessageBox(LoadText(kNoWorkingModeText), MessageButtons::Ok);
            host.SetFocus(ctl::kDlgWorkingMode);
            return;
        }
    }

    // Without a read there is nothing to compare with, so every entry counts as new.
    const bool changed =
        !readOk_ || (oneLine ? entered[kParamRatio] != shown_[kParamRatio] : entered != shown_);
    if (!changed) {
        host.EndDialog(DialogResult::Ok);
        return;
    }
    if (host.MessageBox(LoadText(kConfirmText), MessageButtons::OkCancel) != DialogResult::Ok) {
        return;
    }

    int result = kDeviceNoLink;
    host.RunBlocking([&] { result = WriteElectricalParams(station_, channel_, entered); });
    if (result == kDeviceNoLink) {
        host.MessageBox(LoadText(kNoLinkText), MessageButtons::Ok);
    } else if (result == kDeviceRequestFailed) {
        host.MessageBox(LoadText(kNoAnswerText), MessageButtons::Ok);
    } else {
        host.EndDialog(DialogResult::Ok);
    }
}
