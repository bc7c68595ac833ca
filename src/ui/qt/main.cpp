// zel, the desktop configuration tool. Exit status: 0 after the main window closed, 1 when
// start-up refused to run (no string table, or another copy is running).
#include <QApplication>
#include <QFileInfo>

#include "app/startup/czel_app.h"
#include "ui/layout_qt/qt_layout_device.h"
#include "ui/logic/zel_dlg.h"
#include "ui/qt/qt_toolkit.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Message boxes carry the program file's name without its extension.
    QApplication::setApplicationName(
        QFileInfo(QFile::decodeName(argc > 0 ? argv[0] : "zel")).completeBaseName());

    QtToolkit toolkit;
    const QtLayoutDevice layoutDevice;
    CZELApp app(toolkit, layoutDevice, [](Toolkit& kit) {
        CZELDlg mainWindow(kit);
        mainWindow.DoModal();
    });
    return CZELApp::ExitStatus(app.InitInstance());
}
