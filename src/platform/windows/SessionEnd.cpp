// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGuiApplication>
#include <memory>

#include "SessionEnd.h"

// Log-off and shutdown reach Qt as WM_QUERYENDSESSION, which it turns into commitDataRequest.
void OnSessionEnd(QObject* context, std::function<void()> action) {
    auto once = std::make_shared<std::function<void()>>(std::move(action));
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, context, [once] {
        if (!*once) return;
        auto run = std::move(*once);
        *once = nullptr;
        run();
    });
}
