#include "shell/IconResources.h"

#include <QFile>

namespace {
QIcon FromResource(const QString& path) { return QFile::exists(path) ? QIcon(path) : QIcon(); }
}  // namespace

QIcon LoadIconResource(int number) { return FromResource(QStringLiteral(":/icons/%1.svg").arg(number)); }

QIcon MainWindowIcon() { return FromResource(QStringLiteral(":/icons/main.svg")); }

QIcon ApplicationIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/voltara-16.svg"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/voltara.svg"), QSize(32, 32));
    return icon;
}
