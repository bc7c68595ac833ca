// The dialog toolkit on Qt Widgets: dialogs from the templates, message boxes in the
// program's name with the warning icon, icon files read by Qt's image plugins.
//
// Test hook: when the environment variable ZEL_AUTOTEST_MESSAGES names a file, no message box
// is shown; each one is appended to that file as a line "message: <text>" and answered OK, and
// each dialog appends "dialog: <template id>" when it opens, so that a test can watch the
// program without a user.
#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "ui/logic/dialog_host.h"

class QTranslator;
class QWidget;
class QtDialogHost;

class QtToolkit : public Toolkit {
public:
    // Needs a QApplication. Registers the embedded icons.
    QtToolkit();
    ~QtToolkit() override;

    // Runs the dialog of `templateId` over the dialog running now (if any); None for a template
    // that does not exist.
    DialogResult RunModal(int templateId, DialogHandler& handler) override;
    IconRef LoadIconFile(const std::string& path) override;
    DialogResult MessageBox(const std::u16string& text, MessageButtons buttons) override;
    // Loads Qt's own translations of `languageCode` ("qtbase_es") so that standard buttons
    // speak the string table's language; English needs none.
    void SetLanguage(const std::u16string& languageCode) override;

    // A message box over `parent` (nullptr for none): caption the application's name (the
    // program file's name), warning icon, OK or OK and Cancel.
    DialogResult ShowMessage(QWidget* parent, const std::u16string& text, MessageButtons buttons);

    // The dialogs running now, innermost last.
    const std::vector<QtDialogHost*>& RunningDialogs() const { return running_; }

private:
    void WriteTestLog(const QString& line);

    std::vector<QtDialogHost*> running_;
    std::unique_ptr<QTranslator> translator_;
    QString testLog_;
};
