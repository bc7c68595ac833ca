#include "ui/qt/qt_toolkit.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include "ui/logic/dialog_templates.h"
#include "ui/qt/qt_dialog_host.h"
#include "ui/qt/qt_icons.h"
#include "ui/qt/qt_text.h"

QtToolkit::QtToolkit() : testLog_(qEnvironmentVariable("ZEL_AUTOTEST_MESSAGES")) {
    InitIconResources();
}

QtToolkit::~QtToolkit() {
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
    }
}

DialogResult QtToolkit::RunModal(int templateId, DialogHandler& handler) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    if (dialogTemplate == nullptr) {
        return DialogResult::None;
    }
    QWidget* parent = running_.empty() ? nullptr : running_.back();
    QtDialogHost dialog(*this, *dialogTemplate, handler, parent);
    running_.push_back(&dialog);
    WriteTestLog(QStringLiteral("dialog: %1").arg(templateId));
    const DialogResult result = dialog.Run();
    running_.pop_back();
    return result;
}

IconRef QtToolkit::LoadIconFile(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)));
    if (reader.read().isNull()) {
        return {};
    }
    return IconRef{0, path};
}

DialogResult QtToolkit::MessageBox(const std::u16string& text, MessageButtons buttons) {
    return ShowMessage(running_.empty() ? nullptr : running_.back(), text, buttons);
}

void QtToolkit::SetLanguage(const std::u16string& languageCode) {
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_") + ToQString(languageCode),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        translator_ = std::move(translator);
    }
}

DialogResult QtToolkit::ShowMessage(QWidget* parent, const std::u16string& text,
                                    MessageButtons buttons) {
    if (!testLog_.isEmpty()) {
        // One line per box: line breaks of the text are written as "\n".
        WriteTestLog(QStringLiteral("message: ") +
                     ToQString(text).replace(QLatin1Char('\n'), QStringLiteral("\\n")));
        return DialogResult::Ok;
    }
    const QMessageBox::StandardButtons offered =
        buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                            : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), ToQString(text),
                    offered, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(buttons == MessageButtons::OkCancel ? QMessageBox::Cancel
                                                            : QMessageBox::Ok);
    return box.exec() == QMessageBox::Cancel ? DialogResult::Cancel : DialogResult::Ok;
}

void QtToolkit::WriteTestLog(const QString& line) {
    if (testLog_.isEmpty()) {
        return;
    }
    QFile log(testLog_);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        log.write((line + QLatin1Char('\n')).toUtf8());
    }
}
