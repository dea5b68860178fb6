#include "power/SysInfo.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QTimer>

#include <windows.h>

namespace {
// Windows broadcasts the change to every top-level window, so one change reaches the
// filter once per window of the program; they fold into one notification.
constexpr int kFoldMs = 50;
}  // namespace

// Watches the window messages for WM_POWERBROADCAST / PBT_APMPOWERSTATUSCHANGE.
struct SysInfo::Monitor : QAbstractNativeEventFilter {
    QTimer fold;

    ~Monitor() override {
        if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "windows_generic_MSG") return false;
        const auto* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_POWERBROADCAST && msg->wParam == PBT_APMPOWERSTATUSCHANGE && !fold.isActive())
            fold.start();
        return false;  // Qt and Windows still see the message
    }
};

SysInfo::SysInfo(PowerSource& source, QObject* parent) : QObject(parent), source_(source) {}

SysInfo::~SysInfo() = default;

bool SysInfo::StartMonitoring() {
    if (monitor_) return true;
    if (!QCoreApplication::instance()) return false;
    auto m = std::make_unique<Monitor>();
    m->fold.setSingleShot(true);
    m->fold.setInterval(kFoldMs);
    connect(&m->fold, &QTimer::timeout, this, &SysInfo::PowerStatusChanged);
    QCoreApplication::instance()->installNativeEventFilter(m.get());
    monitor_ = std::move(m);
    return true;
}
