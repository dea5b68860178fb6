// SPDX-License-Identifier: GPL-3.0-or-later
#include "Logging.h"

#include <QString>

#include "Log.h"

// Above warning, so that nothing is printed unless the user asks for it.
Q_LOGGING_CATEGORY(lcSettings, "voltara.settings", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPower, "voltara.power", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcTray, "voltara.tray", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcLaunch, "voltara.launch", QtCriticalMsg)

namespace {
const QLoggingCategory& CategoryOf(vlog::Area area) {
    switch (area) {
        case vlog::Area::Settings: return lcSettings();
        case vlog::Area::Power: return lcPower();
        case vlog::Area::Tray: return lcTray();
        case vlog::Area::Launch: return lcLaunch();
    }
    return lcSettings();
}

void ToCategory(vlog::Area area, vlog::Level level, const std::string& message) {
    const QLoggingCategory& category = CategoryOf(area);
    const QString text = QString::fromStdString(message);
    if (level == vlog::Level::Warning) {
        if (category.isWarningEnabled())
            QMessageLogger(nullptr, 0, nullptr, category.categoryName()).warning().noquote() << text;
    } else if (category.isDebugEnabled()) {
        QMessageLogger(nullptr, 0, nullptr, category.categoryName()).debug().noquote() << text;
    }
}
}  // namespace

void RouteEngineLog() { vlog::SetSink(&ToCategory); }
