// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "PowerSource.h"

// A power source whose values the test sets; counts reads so tests can see that
// values are read afresh.
class FakePowerSource : public PowerSource {
public:
    std::int16_t ac = 0;
    std::int16_t status = 1;
    std::int16_t percent = 85;
    std::int32_t lifeTime = -1;
    int reads = 0;

    std::int16_t ACStatus() override {
        ++reads;
        return ac;
    }
    std::int16_t BatteryStatus() override {
        ++reads;
        return status;
    }
    std::int16_t BatteryLifePercent() override {
        ++reads;
        return percent;
    }
    std::int32_t BatteryLifeTime() override {
        ++reads;
        return lifeTime;
    }
};
