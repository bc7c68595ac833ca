#include "ui/logic/dialog_templates.h"

#include <algorithm>
#include <iterator>

#include "layout/control_ids.h"
#include "ui/logic/dialog_host.h"

namespace {

using K = ControlKind;
constexpr std::u16string_view kFont = u"MS Shell Dlg";

// About box: the only template whose positions are used as they stand.
constexpr ControlTemplate kAboutControls[] = {
    {ctl::kAboutIcon, K::Icon, u"", 14, 14, 21, 20, icon::kApplication},
    {ctl::kAboutProductLine, K::LabelLeft, u"ZEL Software, versión 1.1", 42, 14, 134, 8},
    {ctl::kAboutNotice, K::LabelLeft, u"*Aviso", 42, 26, 114, 8},
    {ctl::kOk, K::DefaultPushButton, u"Aceptar", 126, 42, 50, 14},
};

// Main window: the layout places everything; the order follows the window from top left.
constexpr ControlTemplate kMainControls[] = {
    {ctl::kConnectionGroup, K::GroupBox, u"*Parámetros de conexión"},
    {ctl::kConnectionType, K::DropDownList, u""},
    {ctl::kComPortLabel, K::LabelLeft, u"*Puerto"},
    {ctl::kComPort, K::DropDownList, u""},
    {ctl::kPortConfigLabel, K::LabelLeft, u"*Configuración puerto"},
    {ctl::kPortConfig, K::DropDownList, u""},
    {ctl::kStationNumberLabel, K::LabelLeft, u"*StNum"},
    {ctl::kStationNumber, K::DigitsEdit, u""},
    {ctl::kAddressLabel, K::LabelLeft, u"Address"},
    {ctl::kAddress, K::Edit, u""},
    {ctl::kSocketLabel, K::LabelLeft, u"Socket"},
    {ctl::kSocket, K::DigitsEdit, u""},
    {ctl::kUpdateButton, K::PushButton, u"*Actualizar"},
    {ctl::kStatusText, K::LabelRight, u""},
    {ctl::kStatusIcon, K::Icon, u"", 0, 0, 0, 0, icon::kNotConnected},
    {ctl::kInfoGroup, K::GroupBox, u"*Información"},
    {ctl::kModelLabel, K::LabelLeft, u"*Modelo"},
    {ctl::kModel, K::LabelLeft, u"-"},
    {ctl::kHardwareVersionLabel, K::LabelLeft, u"*Versión HW"},
    {ctl::kHardwareVersion, K::LabelLeft, u"-"},
    {ctl::kSoftwareVersionLabel, K::LabelLeft, u"*Versión SW"},
    {ctl::kSoftwareVersion, K::LabelLeft, u"-"},
    {ctl::kRs485Group, K::GroupBox, u"*RS-485"},
    {ctl::kDevicePortConfigLabel, K::LabelLeft, u"*Configuración puerto"},
    {ctl::kDevicePortConfig, K::LabelLeft, u"-"},
    {ctl::kDeviceStationNumberLabel, K::LabelLeft, u"*StNum"},
    {ctl::kDeviceStationNumber, K::LabelLeft, u"-"},
    {ctl::kRs485Button, K::PushButton, u"*Editar"},
    {ctl::kElectricalGroup, K::GroupBox, u"*Parámetros eléctricos"},
    {ctl::kWorkingModeLabel, K::LabelLeft, u"*Modo de trabajo"},
    {ctl::kWorkingMode, K::LabelLeft, u"-"},
    {ctl::kWorkingModeNote, K::LabelLeft, u"*Nota"},
    {ctl::kColumnL1, K::LabelCentre, u"*L1"},
    {ctl::kColumnL2, K::LabelCentre, u"*L2"},
    {ctl::kColumnL3, K::LabelCentre, u"*L3"},
    {ctl::kColumnTotal, K::LabelCentre, u"*III"},
    {ctl::kRatioLabel, K::LabelLeft, u"*Transformer"},
    {ctl::kRatioL1, K::LabelCentre, u"-"},
    {ctl::kRatioL2, K::LabelCentre, u"-"},
    {ctl::kRatioL3, K::LabelCentre, u"-"},
    {ctl::kRatioTotal, K::LabelCentre, u"-"},
    {ctl::kMeasureLabel, K::LabelLeft, u"*Medida para umbral"},
    {ctl::kMeasureL1, K::LabelCentre, u"-"},
    {ctl::kMeasureL2, K::LabelCentre, u"-"},
    {ctl::kMeasureL3, K::LabelCentre, u"-"},
    {ctl::kMeasureTotal, K::LabelCentre, u"-"},
    {ctl::kThresholdLabel, K::LabelLeft, u"*Valor umbral"},
    {ctl::kThresholdL1, K::LabelCentre, u"-"},
    {ctl::kThresholdL2, K::LabelCentre, u"-"},
    {ctl::kThresholdL3, K::LabelCentre, u"-"},
    {ctl::kThresholdTotal, K::LabelCentre, u"-"},
    {ctl::kDelayLabel, K::LabelLeft, u"*Retardo valor umbral"},
    {ctl::kDelayL1, K::LabelCentre, u"-"},
    {ctl::kDelayL2, K::LabelCentre, u"-"},
    {ctl::kDelayL3, K::LabelCentre, u"-"},
    {ctl::kDelayTotal, K::LabelCentre, u"-"},
    {ctl::kElectricalButton, K::PushButton, u"*Editar"},
};

constexpr ControlTemplate kRs485Controls[] = {
    {ctl::kDlgPortConfigLabel, K::LabelLeft, u"*Configuración puerto"},
    {ctl::kDlgPortConfig, K::DropDownList, u""},
    {ctl::kDlgStationNumberLabel, K::LabelLeft, u"*StNum"},
    {ctl::kDlgStationNumber, K::DigitsEdit, u""},
    {ctl::kStatusText, K::LabelRight, u""},
    {ctl::kOk, K::DefaultPushButton, u"Aceptar"},
    {ctl::kCancel, K::PushButton, u"Cancelar"},
};

constexpr ControlTemplate kElectricalControls[] = {
    {ctl::kDlgWorkingModeLabel, K::LabelLeft, u"*Modo de trabajo"},
    {ctl::kDlgWorkingMode, K::DropDownList, u""},
    {ctl::kWorkingModeNote, K::LabelLeft, u"-"},
    {ctl::kColumnL1, K::LabelCentre, u"*L1"},
    {ctl::kColumnL2, K::LabelCentre, u"*L2"},
    {ctl::kColumnL3, K::LabelCentre, u"*L3"},
    {ctl::kColumnTotal, K::LabelCentre, u"*III"},
    {ctl::kDlgRatioLabel, K::LabelLeft, u"*Transformer"},
    {ctl::kDlgRatioL1, K::DigitsEdit, u""},
    {ctl::kDlgRatioL2, K::DigitsEdit, u""},
    {ctl::kDlgRatioL3, K::DigitsEdit, u""},
    {ctl::kDlgRatioTotal, K::DigitsEdit, u""},
    {ctl::kDlgMeasureLabel, K::LabelLeft, u"*Medida para umbral"},
    {ctl::kDlgMeasureL1, K::DropDownList, u""},
    {ctl::kDlgMeasureL2, K::DropDownList, u""},
    {ctl::kDlgMeasureL3, K::DropDownList, u""},
    {ctl::kDlgMeasureTotal, K::DropDownList, u""},
    {ctl::kDlgThresholdLabel, K::LabelLeft, u"*Valor umbral"},
    // A line threshold under the voltage measure is held in tenths and typed with one decimal.
    {ctl::kDlgThresholdL1, K::DecimalEdit, u""},
    {ctl::kDlgThresholdL2, K::DecimalEdit, u""},
    {ctl::kDlgThresholdL3, K::DecimalEdit, u""},
    {ctl::kDlgThresholdTotal, K::DigitsEdit, u""},
    {ctl::kDlgDelayLabel, K::LabelLeft, u"*Retardo valor umbral"},
    {ctl::kDlgDelayL1, K::DigitsEdit, u""},
    {ctl::kDlgDelayL2, K::DigitsEdit, u""},
    {ctl::kDlgDelayL3, K::DigitsEdit, u""},
    {ctl::kDlgDelayTotal, K::DigitsEdit, u""},
    {ctl::kStatusText, K::LabelRight, u""},
    {ctl::kOk, K::DefaultPushButton, u"Aceptar"},
    {ctl::kCancel, K::PushButton, u"Cancelar"},
};

constexpr DialogTemplate kTemplates[] = {
    {dialog_template::kAbout, 183, 63, u"Acerca de ZEL Software", kFont, 8, false, kAboutControls},
    {dialog_template::kMain, 810, 350, u"ZEL Software", kFont, 8, true, kMainControls},
    {dialog_template::kRs485, 140, 100, u"Dialog", kFont, 8, false, kRs485Controls},
    {dialog_template::kElectrical, 810, 170, u"Dialog", kFont, 8, false, kElectricalControls},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int templateId) {
    const auto* found = std::find_if(std::begin(kTemplates), std::end(kTemplates),
                                     [&](const DialogTemplate& t) { return t.id == templateId; });
    return found == std::end(kTemplates) ? nullptr : found;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    const auto found = std::find_if(dialog.controls.begin(), dialog.controls.end(),
                                    [&](const ControlTemplate& c) { return c.id == id; });
    return found == dialog.controls.end() ? nullptr : &*found;
}

bool IsEditField(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::DigitsEdit ||
           kind == ControlKind::DecimalEdit;
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}

bool IsInteractive(ControlKind kind) {
    return IsEditField(kind) || IsButton(kind) || kind == ControlKind::DropDownList;
}

const char* EditPattern(ControlKind kind) {
    switch (kind) {
        case ControlKind::DigitsEdit:
            return "[0-9]*";
        case ControlKind::DecimalEdit:
            return "[0-9]*([.,][0-9]?)?";
        default:
            return "";
    }
}

bool EditAccepts(ControlKind kind, const std::u16string& text) {
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    if (kind == ControlKind::DigitsEdit) {
        return std::all_of(text.begin(), text.end(), isDigit);
    }
    if (kind == ControlKind::DecimalEdit) {
        auto point = std::find_if(text.begin(), text.end(),
                                  [](char16_t c) { return c == u'.' || c == u','; });
        if (!std::all_of(text.begin(), point, isDigit)) {
            return false;
        }
        return point == text.end() ||
               (text.end() - point <= 2 && std::all_of(point + 1, text.end(), isDigit));
    }
    return true;
}
