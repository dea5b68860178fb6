// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerMonitor.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>
#include <memory>

#include <windows.h>

namespace {
// Windows broadcasts the change to every top-level window, so one change reaches the
// filter once per window of the program; they fold into one notification.
constexpr int kFoldMs = 50;
}  // namespace

// Watches the window messages for WM_POWERBROADCAST / PBT_APMPOWERSTATUSCHANGE.
class PowerBroadcastMonitor final : public PowerMonitor, public QAbstractNativeEventFilter {
public:
    PowerBroadcastMonitor() {
        fold_.setSingleShot(true);
        fold_.setInterval(kFoldMs);
        connect(&fold_, &QTimer::timeout, this, &PowerMonitor::Changed);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~PowerBroadcastMonitor() override {
        if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG") return false;
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_POWERBROADCAST && msg->wParam == PBT_APMPOWERSTATUSCHANGE && !fold_.isActive())
            fold_.start();
        return false;  // Qt and Windows still see the message
    }

private:
    QTimer fold_;
};

std::unique_ptr<PowerMonitor> MakePowerMonitor() {
    if (!QCoreApplication::instance()) return nullptr;
    return std::make_unique<PowerBroadcastMonitor>();
}
