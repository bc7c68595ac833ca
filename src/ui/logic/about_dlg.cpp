#include "ui/logic/about_dlg.h"

#include <algorithm>
#include <string>

#include "config/settings.h"
#include "config/utf.h"
#include "layout/control_ids.h"

namespace {

// Room of each About text in UTF-16 units, its terminating zero included.
constexpr std::size_t kTextCapacity = 256;

constexpr const char16_t* kTitlePrefix = u"Acerca de ";
constexpr const char16_t* kVersionSuffix = u", versión 1.1";
// Short enough for the box's fixed line, which is laid out as drawn.
constexpr const char16_t* kNotice = u"Analizadores ZEL One y Three";

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// prefix + name + suffix, the name cut so that the whole fits kTextCapacity. The cut never
// splits a surrogate pair, so the text stays valid UTF-16.
std::u16string FitName(const std::u16string& prefix, const std::u16string& name,
                       const std::u16string& suffix) {
    const std::size_t room = kTextCapacity - 1 - prefix.size() - suffix.size();
    std::size_t keep = std::min(name.size(), room);
    if (keep < name.size() && keep > 0 && IsHighSurrogate(name[keep - 1])) {
        --keep;
    }
    return prefix + name.substr(0, keep) + suffix;
}

}  // namespace

CAboutDlg::CAboutDlg(Toolkit& toolkit) : toolkit_(toolkit) {
    const WindowIdentity identity = ReadWindowIdentity();
    productName_ = identity.productName;
    windowIcon_ = toolkit.LoadIconFile(WideToUtf8(identity.iconFile));
    if (!windowIcon_.IsValid()) {
        windowIcon_ = IconRef::Resource(icon::kApplication);
    }
}

DialogResult CAboutDlg::DoModal() {
    return toolkit_.RunModal(dialog_template::kAbout, *this);
}

void CAboutDlg::OnInitDialog(DialogHost& host) {
    host.SetControlIcon(ctl::kAboutIcon, windowIcon_);
    host.SetTitle(FitName(kTitlePrefix, productName_, u""));
    host.SetText(ctl::kAboutProductLine, FitName(u"", productName_, kVersionSuffix));
    host.SetText(ctl::kAboutNotice, kNotice);
}
