// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGuiApplication>
#include <memory>

#include "SessionEnd.h"

// Log-off and shutdown ask first (WM_QUERYENDSESSION, Qt's commitDataRequest): the user may
// still cancel, or another program veto, and the session goes on. Only WM_ENDSESSION with
// TRUE ends it; Qt emits aboutToQuit for it, once, before Windows ends the process.
void OnSessionEnd(QObject* context, std::function<void()> action) {
    auto once = std::make_shared<std::function<void()>>(std::move(action));
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, context, [once] {
        if (!*once) return;
        auto run = std::move(*once);
        *once = nullptr;
        run();
    });
}
