// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
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

// The four values as bits, to say which of them an attribute feeds.
namespace powervalue {
inline constexpr unsigned ACStatus = 1;
inline constexpr unsigned BatteryStatus = 2;
inline constexpr unsigned BatteryLifePercent = 4;
inline constexpr unsigned BatteryLifeTime = 8;
inline constexpr unsigned All = 15;
}  // namespace powervalue

struct AttributeUse {
    const char* name;
    unsigned values;  // powervalue bits
};

// What the mapping reads of a supply besides its type and scope: the attributes of a
// system battery or of an adapter, each with the values it feeds; nothing of any other
// supply. A source asked for one value need read only the attributes that feed it.
std::span<const AttributeUse> AttributesUsed(std::string_view type, std::string_view scope);
