// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One entry of the kernel's power-supply class: its name and its attribute files
// (name in lower case, e.g. "type", "capacity", "energy_now"; value with the
// trailing newline and surrounding blanks removed).
struct PowerSupply {
    std::string name;
    std::map<std::string, std::string> attributes;
};

struct PowerStatus {
    std::int16_t acStatus = 255;
    std::int16_t batteryStatus = 255;
    std::int16_t batteryLifePercent = 255;
    std::int32_t batteryLifeTime = -1;
    bool operator==(const PowerStatus&) const = default;
};

// Maps what the kernel reports to the four Windows-style values. Never throws:
// garbage or missing attributes give the "unknown" values.
PowerStatus MapPowerSupplies(const std::vector<PowerSupply>& supplies);
