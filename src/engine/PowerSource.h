// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <stdexcept>

// A read of the power status that failed: the system could not be asked, which tells
// nothing about the battery (a machine without one reads BatteryStatus 128). What
// depends on the value keeps its previous state.
class PowerReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The four power values with the conventions of Windows' SYSTEM_POWER_STATUS.
// Every call reads the system afresh; nothing is cached. A failed read throws PowerReadError.
class PowerSource {
public:
    virtual ~PowerSource() = default;
    virtual std::int16_t ACStatus() = 0;       // 0 offline, 1 online, 255 unknown
    virtual std::int16_t BatteryStatus() = 0;  // flags: 1 high, 2 low, 4 critical, 8 charging; 128 none; 255 unknown
    virtual std::int16_t BatteryLifePercent() = 0;  // 0..100, 255 unknown
    virtual std::int32_t BatteryLifeTime() = 0;     // seconds, -1 unknown
};
