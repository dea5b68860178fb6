// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "PowerSource.h"

// A power source whose values the test sets. While failing, every read fails.
class FakePowerSource : public PowerSource {
public:
    std::int16_t ac = 0, status = 1, percent = 85;
    std::int32_t lifeTime = -1;
    bool failing = false;

    std::int16_t ACStatus() override { return Read(ac); }
    std::int16_t BatteryStatus() override { return Read(status); }
    std::int16_t BatteryLifePercent() override { return Read(percent); }
    std::int32_t BatteryLifeTime() override { return Read(lifeTime); }

private:
    template <typename T>
    T Read(T value) {
        if (failing) throw PowerReadError("the test fails every read");
        return value;
    }
};
