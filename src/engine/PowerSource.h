// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The four power values with the conventions of Windows' SYSTEM_POWER_STATUS.
// Every call reads the system afresh; nothing is cached.
class PowerSource {
public:
    virtual ~PowerSource() = default;
    virtual std::int16_t ACStatus() = 0;       // 0 offline, 1 online, 255 unknown
    virtual std::int16_t BatteryStatus() = 0;  // flags: 1 high, 2 low, 4 critical, 8 charging; 128 none; 255 unknown
    virtual std::int16_t BatteryLifePercent() = 0;  // 0..100, 255 unknown
    virtual std::int32_t BatteryLifeTime() = 0;     // seconds, -1 unknown
};
