// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <memory>

// The system's reports that its power status changed, delivered on the UI thread. A
// burst of reports (a plug going in touches adapter, battery and port) gives one Changed().
class PowerMonitor : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // A supply was added or removed, or reports were lost; at once, before the Changed()
    // of its burst.
    void SuppliesChanged();
    void Changed();
};

// The platform's monitor, listening from its creation; null when the system offers none.
std::unique_ptr<PowerMonitor> MakePowerMonitor();
