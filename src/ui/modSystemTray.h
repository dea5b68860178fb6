// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QString>

class QSystemTrayIcon;
class QWidget;

// The program's one notification-area icon. The window owns the icon object; these
// operations show, change and remove it. Failures of the notification area are silent.
namespace modSystemTray {
// The tooltip holds at most this many characters; a longer text is cut.
inline constexpr int TipLength = 63;

// Shows the window (not modally), then puts the icon in the notification area.
void AddTrayIcon(QWidget& window, QSystemTrayIcon& tray, const QIcon& icon, const QString& tip);
// Changes picture and tooltip together; does not show the window.
void ModifyTrayIcon(QSystemTrayIcon& tray, const QIcon& icon, const QString& tip);
void DeleteTrayIcon(QSystemTrayIcon& tray);

QString CutTip(const QString& tip);
}  // namespace modSystemTray
