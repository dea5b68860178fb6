// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <memory>

#include "PowerSource.h"

class LearnedSupplies;
class PowerMonitor;

// The main window's power status element `sysInfo`: the four values, read afresh from
// the source at every use, a free text slot, and a notification when the system reports
// a change of its power status.
class SysInfo : public QObject, public PowerSource {
    Q_OBJECT
public:
    explicit SysInfo(PowerSource& source, QObject* parent = nullptr);
    ~SysInfo() override;

    std::int16_t ACStatus() override { return source_.ACStatus(); }
    std::int16_t BatteryStatus() override { return source_.BatteryStatus(); }
    std::int16_t BatteryLifePercent() override { return source_.BatteryLifePercent(); }
    std::int32_t BatteryLifeTime() override { return source_.BatteryLifeTime(); }

    // Starts listening for the system's power change events, delivered on this object's
    // thread. False when the system offers none; the refresh timer then is the only driver.
    // A source that learns the system's supplies is told when they come and go.
    bool StartMonitoring();

    QString Tag;

Q_SIGNALS:
    void PowerStatusChanged();

private:
    PowerSource& source_;
    LearnedSupplies* learned_;  // the source, where it learns the supplies
    std::unique_ptr<PowerMonitor> monitor_;
};
