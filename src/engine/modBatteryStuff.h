// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "Clock.h"
#include "Decimal.h"
#include "PowerSource.h"
#include "modRegistry.h"

// The learned discharge: the running average of minutes per percentage point and how many
// samples it holds.
struct DischargeHistory {
    Decimal average;
    std::int16_t count = 0;
};
// The stored history, where the estimator would build on it.
std::optional<DischargeHistory> ReadDischargeHistory(modRegistry& registry);

// The remaining-time estimator: learns minutes per percentage point while on battery
// and keeps the running average in "Data"/"Count" under the Time Calc key.
class modBatteryStuff {
public:
    modBatteryStuff(modRegistry& registry, PowerSource& power) : registry_(registry), power_(power) {}

    void RecordDischargeSample(std::int16_t& drop, double& elapsedMinutes);
    std::string EstimateRemainingTime();
    // The Battery Time text: h:m:s from the system, else the estimate.
    std::string GetRemainingTime();

private:
    modRegistry& registry_;
    PowerSource& power_;
};

// The sampling step of a power-event run, with the labels of the previous refresh.
// previousAwakeSeconds is the awake clock at the end of that refresh; the interval
// is measured with it so that time spent suspended does not count. previousLastUpdate,
// the wall clock of that refresh, lets the step see that the machine slept in the
// interval: the charge lost while asleep is then no measure of the rate, and no sample
// is taken. Without it only the awake clock is used.
void RunSamplingStep(modBatteryStuff& estimator, PowerSource& power, const std::string& previousStatusText,
                     const std::string& previousACText, double previousAwakeSeconds, Clock& clock,
                     std::optional<std::int32_t> previousLastUpdate = std::nullopt);
