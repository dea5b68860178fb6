// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "PowerSource.h"

// The four values straight from GetSystemPowerStatus, asked afresh at every read; a
// failed call is a failed read.
class WinPowerStatus final : public PowerSource {
public:
    // The fields of SYSTEM_POWER_STATUS that are read, as Windows gives them.
    struct Raw {
        std::uint8_t acLineStatus = 255;
        std::uint8_t batteryFlag = 255;
        std::uint8_t batteryLifePercent = 255;
        std::uint32_t batteryLifeTime = 0xFFFFFFFF;
    };
    // GetSystemPowerStatus; false when the call fails. Tests put their own in its place.
    using Query = bool (*)(Raw* out);
    static bool SystemQuery(Raw* out);

    explicit WinPowerStatus(Query query = &SystemQuery) : query_(query) {}

    std::int16_t ACStatus() override;
    std::int16_t BatteryStatus() override;
    std::int16_t BatteryLifePercent() override;
    std::int32_t BatteryLifeTime() override;

private:
    Raw Read() const;

    Query query_;
};
