// SPDX-License-Identifier: GPL-3.0-or-later
// The power-supply mapping over any set of attributes. The input is a uevent-like text:
// "KEY=value" lines, the POWER_SUPPLY_ prefix dropped and the key lower-cased; a NAME line
// or an empty line begins the next supply. Whatever the kernel says, the four values stay
// within what their readers know.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "PowerSupplyMapping.h"

namespace {

std::vector<PowerSupply> Decode(std::string_view text) {
    std::vector<PowerSupply> supplies(1);
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const auto equals = line.find('=');
        if (line.empty() || equals == std::string_view::npos) {
            if (line.empty() && !supplies.back().attributes.empty()) supplies.emplace_back();
            continue;
        }
        std::string_view key = line.substr(0, equals);
        if (key.starts_with("POWER_SUPPLY_")) key.remove_prefix(13);
        std::string name(key);
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        const std::string value(line.substr(equals + 1));
        if (name == "name") {
            if (!supplies.back().attributes.empty() || !supplies.back().name.empty()) supplies.emplace_back();
            supplies.back().name = value;
        } else {
            supplies.back().attributes[name] = value;
        }
    }
    return supplies;
}

bool IsFlagSet(std::int16_t status) { return status >= 0 && status <= 15; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto supplies = Decode(std::string_view(reinterpret_cast<const char*>(data), size));
    const PowerStatus s = MapPowerSupplies(supplies);

    FUZZ_CHECK(s.acStatus == 0 || s.acStatus == 1 || s.acStatus == 255);
    FUZZ_CHECK((s.batteryLifePercent >= 0 && s.batteryLifePercent <= 100) || s.batteryLifePercent == 255);
    FUZZ_CHECK(IsFlagSet(s.batteryStatus) || s.batteryStatus == 128 || s.batteryStatus == 255);
    FUZZ_CHECK(s.batteryLifeTime >= -1);
    // The flags and the charge tell the same story.
    FUZZ_CHECK((s.batteryLifePercent == 255) == (s.batteryStatus == 128 || s.batteryStatus == 255));
    if (s.batteryStatus == 128) FUZZ_CHECK(s.batteryLifeTime == -1);
    if (s.batteryLifeTime != -1) FUZZ_CHECK(s.acStatus == 0);
    // Read afresh, the same supplies give the same answer.
    FUZZ_CHECK(MapPowerSupplies(supplies) == s);
    return 0;
}
