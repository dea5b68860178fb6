#include "power/SysInfo.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <libudev.h>

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
struct SysInfo::Monitor {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer coalesce;
    QElapsedTimer burst;

    ~Monitor() {
        notifier.reset();  // stop watching before the socket closes
        if (monitor) udev_monitor_unref(monitor);
        if (context) udev_unref(context);
    }

    void Drain() {
        for (int i = 0; i < kMaxPerWakeup; ++i) {
            udev_device* device = udev_monitor_receive_device(monitor);
            if (!device) break;
            udev_device_unref(device);
        }
        // Also when nothing could be taken: the kernel drops uevents when the queue
        // overflows, and a lost event is a reason to look again.
        if (!coalesce.isActive()) burst.start();
        coalesce.start(static_cast<int>(std::clamp(kLatestMs - burst.elapsed(), qint64{0}, kQuietMs)));
    }
};

SysInfo::SysInfo(PowerSource& source, QObject* parent) : QObject(parent), source_(source) {}

SysInfo::~SysInfo() = default;

bool SysInfo::StartMonitoring() {
    if (monitor_) return true;
    auto m = std::make_unique<Monitor>();
    m->context = udev_new();
    if (!m->context) return false;
    m->monitor = udev_monitor_new_from_netlink(m->context, "udev");
    if (!m->monitor) return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(m->monitor, "power_supply", nullptr) < 0) return false;
    if (udev_monitor_enable_receiving(m->monitor) < 0) return false;
    const int fd = udev_monitor_get_fd(m->monitor);
    if (fd < 0) return false;

    m->coalesce.setSingleShot(true);
    connect(&m->coalesce, &QTimer::timeout, this, &SysInfo::PowerStatusChanged);
    m->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    Monitor* raw = m.get();
    connect(m->notifier.get(), &QSocketNotifier::activated, this, [raw] { raw->Drain(); });
    monitor_ = std::move(m);
    return true;
}
