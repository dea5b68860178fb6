// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLoggingCategory>

// One category per area. All are quiet by default; QT_LOGGING_RULES="voltara.*=true"
// (or "voltara.settings.warning=true" and the like) turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcPower)
Q_DECLARE_LOGGING_CATEGORY(lcTray)
Q_DECLARE_LOGGING_CATEGORY(lcLaunch)

// Sends the lines of the engine and the back ends to these categories.
void RouteEngineLog();
