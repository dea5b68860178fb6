// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "PowerSource.h"

// A power source whose values the test sets. While failing, every read fails.
class FakePowerSource : public PowerSource {
public:
    std::int16_t ac = 0, status = 1, percent = 85;
    std::int32_t lifeTime = -1;
    bool failing = false;

    std::int16_t ACStatus() override { return Fail(), ac; }
    std::int16_t BatteryStatus() override { return Fail(), status; }
    std::int16_t BatteryLifePercent() override { return Fail(), percent; }
    std::int32_t BatteryLifeTime() override { return Fail(), lifeTime; }

private:
    void Fail() const { return failing ? throw PowerReadError("the test fails every read") : void(); }
};
