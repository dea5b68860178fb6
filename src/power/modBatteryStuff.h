#pragma once
#include <cstdint>
#include <string>

#include "power/Clock.h"
#include "power/PowerSource.h"
#include "settings/modRegistry.h"

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
// is measured with it so that time spent suspended does not count.
void RunSamplingStep(modBatteryStuff& estimator, PowerSource& power, const std::string& previousStatusText,
                     const std::string& previousACText, double previousAwakeSeconds, Clock& clock);
