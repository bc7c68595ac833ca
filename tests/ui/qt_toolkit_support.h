// Shared by the Qt toolkit tests: one QApplication on the offscreen platform, and a handler
// that logs events and runs a test script inside the dialog's modal loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "ui/qt/qt_dialog_host.h"
#include "ui/qt/qt_toolkit.h"

class ScriptedHandler : public DialogHandler {
public:
    std::vector<std::string> events;
    std::function<void(QtDialogHost&)> onInit;
    // Runs once the modal loop has started, as the user.
    std::function<void(QtDialogHost&)> script;
    bool endOnCancel = true;

    void OnInitDialog(DialogHost& host) override {
        auto& dialog = dynamic_cast<QtDialogHost&>(host);
        if (onInit) {
            onInit(dialog);
        }
        QTimer::singleShot(0, &dialog, [this, &dialog] {
            if (script) {
                script(dialog);
            }
            dialog.EndDialog(DialogResult::Ok);
        });
    }
    void OnCommand(DialogHost&, int id) override { Log("Command", id); }
    void OnSelectionChanged(DialogHost&, int id) override { Log("Selection", id); }
    void OnTextChanged(DialogHost&, int id) override { Log("Text", id); }
    void OnTimer(DialogHost&, int id) override { Log("Timer", id); }
    void OnSysCommand(DialogHost&, int command) override { Log("SysCommand", command); }
    void OnOk(DialogHost&) override { events.push_back("Ok"); }
    void OnCancel(DialogHost& host) override {
        events.push_back("Cancel");
        if (endOnCancel) {
            host.EndDialog(DialogResult::Cancel);
        }
    }

private:
    void Log(const char* what, int id) { events.push_back(what + (":" + std::to_string(id))); }
};

// Creates the application once for the whole test program, on the offscreen platform.
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "qt_toolkit_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qunsetenv("ZEL_AUTOTEST_MESSAGES");
        auto* created = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("zel"));
        return created;
    }();
    return *app;
}
