#include "ui/logic/editing_dialog.h"

#include "app/string_table.h"
#include "config/settings.h"
#include "config/utf.h"
#include "layout/control_ids.h"

namespace {

// String-table texts of the OK and Cancel buttons.
constexpr unsigned kOkText = 22;
constexpr unsigned kCancelText = 23;

}  // namespace

IconRef LoadWindowIcon(Toolkit& toolkit) {
    const IconRef icon = toolkit.LoadIconFile(WideToUtf8(ReadWindowIdentity().iconFile));
    return icon.IsValid() ? icon : IconRef::Resource(icon::kApplication);
}

void ShowEditingFrame(DialogHost& host, const IconRef& windowIcon, unsigned titleText) {
    host.SetWindowIcon(windowIcon);
    host.SetTitle(LoadText(titleText));
    host.SetText(ctl::kOk, LoadText(kOkText));
    host.SetButtonIcon(ctl::kOk, IconRef::Resource(icon::kOk));
    host.SetText(ctl::kCancel, LoadText(kCancelText));
    host.SetButtonIcon(ctl::kCancel, IconRef::Resource(icon::kCancel));
}
