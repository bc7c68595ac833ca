#include "ui/qt/qt_icons.h"

#include <QFile>

// The resource initialiser lives in a static library, so nothing would pull it in on its own.
static void InitIconResourcesOutsideNamespace() {
    Q_INIT_RESOURCE(icons);
}

void InitIconResources() {
    InitIconResourcesOutsideNamespace();
}

QString IconResourcePath(int id) {
    if (id < icon::kApplication || id > icon::kConnected) {
        return {};
    }
    return QStringLiteral(":/icons/%1.svg").arg(id);
}

QIcon IconFromRef(const IconRef& icon) {
    if (icon.resource != 0) {
        const QString path = IconResourcePath(icon.resource);
        return path.isEmpty() ? QIcon() : QIcon(path);
    }
    if (icon.file.empty()) {
        return {};
    }
    return QIcon(QFile::decodeName(QByteArray::fromStdString(icon.file)));
}
