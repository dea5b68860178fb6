// SPDX-License-Identifier: GPL-3.0-or-later
#include "modSystemTray.h"

#include <QSystemTrayIcon>
#include <QWidget>

#include "Logging.h"

namespace modSystemTray {

QString CutTip(const QString& tip) { return tip.left(TipLength); }

void AddTrayIcon(QWidget& window, QSystemTrayIcon& tray, const QIcon& icon, const QString& tip) {
    window.show();
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        qCWarning(lcTray) << "No notification area on this desktop; the menu opens from the windows";
    tray.setIcon(icon);
    tray.setToolTip(CutTip(tip));
    tray.show();
}

void ModifyTrayIcon(QSystemTrayIcon& tray, const QIcon& icon, const QString& tip) {
    tray.setIcon(icon);
    tray.setToolTip(CutTip(tip));
}

void DeleteTrayIcon(QSystemTrayIcon& tray) {
    tray.hide();
    tray.setToolTip(QString());
}

}  // namespace modSystemTray
