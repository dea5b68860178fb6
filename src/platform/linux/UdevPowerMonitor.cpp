// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerMonitor.h"

#include <algorithm>
#include <cstring>

#include <libudev.h>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

namespace {

// A plug or unplug arrives as a burst of uevents (adapter, battery, USB-C port, often
// repeated); one notification follows once the burst has been quiet this long...
constexpr qint64 kQuietMs = 50;
// ...or this long after it began, so an endless storm still lets the display follow.
constexpr qint64 kLatestMs = 1000;
// Uevents taken per wake-up before the event loop gets its turn again.
constexpr int kMaxPerWakeup = 256;

}  // namespace

// The libudev monitor on the power_supply subsystem and the timer that folds bursts into one.
class UdevPowerMonitor final : public PowerMonitor {
public:
    ~UdevPowerMonitor() override {
        notifier_.reset();  // stop watching before the socket closes
        if (monitor_) udev_monitor_unref(monitor_);
        if (context_) udev_unref(context_);
    }

    bool Start() {
        context_ = udev_new();
        if (!context_) return false;
        monitor_ = udev_monitor_new_from_netlink(context_, "udev");
        if (!monitor_) return false;
        if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "power_supply", nullptr) < 0) return false;
        if (udev_monitor_enable_receiving(monitor_) < 0) return false;
        const int fd = udev_monitor_get_fd(monitor_);
        if (fd < 0) return false;
        coalesce_.setSingleShot(true);
        connect(&coalesce_, &QTimer::timeout, this, &PowerMonitor::Changed);
        notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
        return true;
    }

private:
    void Drain() {
        int taken = 0;
        bool suppliesChanged = false;
        for (; taken < kMaxPerWakeup; ++taken) {
            udev_device* device = udev_monitor_receive_device(monitor_);
            if (!device) break;
            // Anything but "change" (add, remove, move) may change which supplies there are.
            const char* action = udev_device_get_action(device);
            if (!action || std::strcmp(action, "change") != 0) suppliesChanged = true;
            udev_device_unref(device);
        }
        // Also when nothing could be taken: the kernel drops uevents when the queue
        // overflows, and a lost event is a reason to look again, at the supplies too.
        if (suppliesChanged || taken == 0) Q_EMIT SuppliesChanged();
        if (!coalesce_.isActive()) burst_.start();
        coalesce_.start(static_cast<int>(std::clamp(kLatestMs - burst_.elapsed(), qint64{0}, kQuietMs)));
    }

    udev* context_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer coalesce_;
    QElapsedTimer burst_;
};

std::unique_ptr<PowerMonitor> MakePowerMonitor() {
    auto monitor = std::make_unique<UdevPowerMonitor>();
    if (!monitor->Start()) return nullptr;
    return monitor;
}
