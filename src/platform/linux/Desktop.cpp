// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QGuiApplication>
#include <cstring>

#include "Desktop.h"

namespace desktop {

bool RunThroughXWayland(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || !qEnvironmentVariableIsSet("DISPLAY") ||
        qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
    return true;
}

bool TrayReportsDoubleClick() {
    // Qt speaks StatusNotifierItem when a host has registered with the watcher, XEmbed otherwise.
    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.interface() || !bus.interface()->isServiceRegistered(name)) return true;
    QDBusInterface watcher(name, QStringLiteral("/StatusNotifierWatcher"), name, bus);
    return !watcher.property("IsStatusNotifierHostRegistered").toBool();
}

bool WindowPlacesKnown() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

}  // namespace desktop
