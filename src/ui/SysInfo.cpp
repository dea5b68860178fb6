// SPDX-License-Identifier: GPL-3.0-or-later
#include "SysInfo.h"

#include "LearnedSupplies.h"
#include "Logging.h"
#include "PowerMonitor.h"

SysInfo::SysInfo(PowerSource& source, QObject* parent)
    : QObject(parent), source_(source), learned_(dynamic_cast<LearnedSupplies*>(&source)) {}

SysInfo::~SysInfo() = default;

bool SysInfo::StartMonitoring() {
    if (monitor_) return true;
    monitor_ = MakePowerMonitor();
    if (!monitor_) {
        qCWarning(lcPower) << "No power change events from the system; refreshing once a minute only";
        return false;
    }
    if (learned_)
        connect(monitor_.get(), &PowerMonitor::SuppliesChanged, this, [this] { learned_->SuppliesChanged(); });
    connect(monitor_.get(), &PowerMonitor::Changed, this, &SysInfo::PowerStatusChanged);
    return true;
}
