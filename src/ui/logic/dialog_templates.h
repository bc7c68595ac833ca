// The four dialog templates as data: size, caption, font and every control with its kind and
// template text. The dialog toolkits (Qt and headless) build their windows from these; the
// window logic fills the controls at run time. Control order is the tab order, and a label
// placed right before its field names that field for screen readers.
#pragma once

#include <span>
#include <string>
#include <string_view>

enum class ControlKind {
    GroupBox,
    LabelLeft,     // static text, left-aligned
    LabelCentre,   // static text, centred
    LabelRight,    // static text, right-aligned
    Icon,          // static showing an icon
    DropDownList,  // drop-down list without typing
    Edit,          // edit field
    DigitsEdit,    // edit field that takes digits only
    DecimalEdit,   // edit field that takes digits with at most one decimal after '.' or ','
    PushButton,
    DefaultPushButton,
};

// One control of a template. Position and size are in dialog units; all zero when the window's
// layout places the control at run time.
struct ControlTemplate {
    int id;
    ControlKind kind;
    std::u16string_view text;  // template text; "*..." marks a placeholder replaced at opening
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int iconResource = 0;  // for Icon controls: the resource shown until the logic sets one
};

struct DialogTemplate {
    int id;
    int width;   // dialog units
    int height;  // dialog units
    std::u16string_view caption;
    std::u16string_view fontName;
    int fontPoints;
    bool resizable;  // resizable frame with minimise and maximise boxes
    std::span<const ControlTemplate> controls;
};

// The template `templateId` (100, 102, 103 or 104); nullptr for any other id.
const DialogTemplate* FindDialogTemplate(int templateId);

// The control `id` of `dialog`; nullptr when the template has no such control.
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);

// True for the kinds that a user edits or operates (lists, edit fields, buttons).
bool IsInteractive(ControlKind kind);
bool IsEditField(ControlKind kind);
bool IsButton(ControlKind kind);

// What an edit field of `kind` lets a user type, as a regular expression over the whole text
// (the Qt validator); empty for a free edit field.
const char* EditPattern(ControlKind kind);
// True when `text` is a whole text an edit field of `kind` holds (the same rule as EditPattern).
bool EditAccepts(ControlKind kind, const std::u16string& text);
