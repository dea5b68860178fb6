// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <vector>

#include "PowerSource.h"
#include "PowerSupplyMapping.h"

// The kernel's power-supply class as the power source. Each of the four values reads
// the folder afresh: a battery pulled between two reads simply is not there any more.
class SysfsPowerReader : public PowerSource {
public:
    explicit SysfsPowerReader(std::filesystem::path folder = "/sys/class/power_supply");

    // The supplies in the folder, sorted by name, each with the attributes the mapping
    // uses; a file that cannot be read is left out, a folder that cannot be read is a
    // failed read (PowerReadError).
    std::vector<PowerSupply> ReadSupplies() const;
    PowerStatus ReadStatus() const { return MapPowerSupplies(ReadSupplies()); }

    std::int16_t ACStatus() override { return ReadStatus().acStatus; }
    std::int16_t BatteryStatus() override { return ReadStatus().batteryStatus; }
    std::int16_t BatteryLifePercent() override { return ReadStatus().batteryLifePercent; }
    std::int32_t BatteryLifeTime() override { return ReadStatus().batteryLifeTime; }

private:
    std::filesystem::path folder_;
};
