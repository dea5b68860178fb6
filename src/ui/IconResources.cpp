// SPDX-License-Identifier: GPL-3.0-or-later
#include "IconResources.h"

#include <QFile>

namespace {
QIcon FromResource(const QString& path) { return QFile::exists(path) ? QIcon(path) : QIcon(); }
}  // namespace

QIcon LoadIconResource(int number) { return FromResource(QStringLiteral(":/icons/%1.svg").arg(number)); }

QIcon MainWindowIcon() { return FromResource(QStringLiteral(":/icons/main.svg")); }

QIcon ControlCenterIcon() { return FromResource(QStringLiteral(":/icons/setup.svg")); }

QIcon ApplicationIcon() {
    // Qt's SVG icon engine keeps one drawing per icon, so each size gets its own
    // rendering: the 16 px drawing stays sharp instead of the 32 px one scaled down.
    QIcon icon;
    const struct {
        const char* path;
        int size;
    } drawings[] = {{":/icons/voltara-16.svg", 16}, {":/icons/voltara.svg", 32}};
    for (const auto& d : drawings) {
        const QIcon source = FromResource(QString::fromLatin1(d.path));
        if (source.isNull()) continue;
        for (qreal ratio : {1.0, 2.0}) {
            QPixmap pixmap = source.pixmap(QSize(d.size, d.size), ratio);
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}
