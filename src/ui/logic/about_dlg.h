// The About box: product name and version from the settings file, and the program's own line.
#pragma once

#include <string>

#include "ui/logic/dialog_host.h"

class CAboutDlg : public DialogHandler {
public:
    // Reads the product name and the icon named by the settings file; an unreadable file gives
    // an empty name and the program icon. Never writes the settings file.
    explicit CAboutDlg(Toolkit& toolkit);

    // Runs the box until OK, Enter, Escape or the close box; the result carries no meaning.
    DialogResult DoModal();

    void OnInitDialog(DialogHost& host) override;

private:
    Toolkit& toolkit_;
    std::u16string productName_;
    IconRef windowIcon_;
};
