// SPDX-License-Identifier: GPL-3.0-or-later
// The power-supply mapping over any attributes the kernel may show, as uevent text: "KEY=value"
// lines, the POWER_SUPPLY_ prefix dropped and the key lower-cased; a NAME line or an empty line
// begins the next supply. Whatever they say, the four values stay within what their readers know.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "PowerSupplyMapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<PowerSupply> supplies(1);
    for (std::string_view text(reinterpret_cast<const char*>(data), size); !text.empty();) {
        const std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(line.size() + 1, text.size()));
        const auto equals = line.find('=');
        std::string key(line.substr(0, equals));
        if (key.starts_with("POWER_SUPPLY_")) key.erase(0, 13);
        for (char& c : key) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        PowerSupply& last = supplies.back();
        if ((line.empty() || key == "name") && !(last.attributes.empty() && last.name.empty())) supplies.emplace_back();
        if (key == "name")
            supplies.back().name = line.substr(equals + 1);
        else if (equals != std::string_view::npos)
            supplies.back().attributes[key] = line.substr(equals + 1);
    }
    const PowerStatus s = MapPowerSupplies(supplies);
    FUZZ_CHECK(s.acStatus == 0 || s.acStatus == 1 || s.acStatus == 255);
    FUZZ_CHECK((s.batteryLifePercent >= 0 && s.batteryLifePercent <= 100) || s.batteryLifePercent == 255);
    FUZZ_CHECK((s.batteryStatus >= 0 && s.batteryStatus <= 15) || s.batteryStatus == 128 || s.batteryStatus == 255);
    FUZZ_CHECK(s.batteryLifeTime >= -1);
    // The flags and the charge tell the same story.
    FUZZ_CHECK((s.batteryLifePercent == 255) == (s.batteryStatus == 128 || s.batteryStatus == 255));
    if (s.batteryStatus == 128) FUZZ_CHECK(s.batteryLifeTime == -1);
    if (s.batteryLifeTime != -1) FUZZ_CHECK(s.acStatus == 0);
    // Read afresh, the same supplies give the same answer.
    FUZZ_CHECK(MapPowerSupplies(supplies) == s);
    return 0;
}
