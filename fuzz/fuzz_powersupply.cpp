// SPDX-License-Identifier: GPL-3.0-or-later
// The power-supply mapping over any set of attributes. The input is a uevent-like text of "KEY=value" lines, the
// POWER_SUPPLY_ prefix dropped and the key lower-cased; a NAME line or one without "=" begins the next supply.
// Whatever the kernel says, the four values stay within what their readers know.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "FuzzCheck.h"
#include "PowerSupplyMapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<PowerSupply> supplies(1);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        std::string key = line.substr(0, equals);
        if (key.starts_with("POWER_SUPPLY_")) key.erase(0, 13);
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
        if (equals == std::string::npos || key == "name") supplies.emplace_back();
        if (equals != std::string::npos) supplies.back().attributes[key] = line.substr(equals + 1);
    }
    const PowerStatus s = MapPowerSupplies(supplies);
    FUZZ_CHECK(s.acStatus == 0 || s.acStatus == 1 || s.acStatus == 255);
    FUZZ_CHECK(s.batteryLifePercent <= 100 ? s.batteryLifePercent >= 0 : s.batteryLifePercent == 255);
    FUZZ_CHECK((s.batteryStatus >= 0 && s.batteryStatus <= 15) || s.batteryStatus == 128 || s.batteryStatus == 255);
    // The flags and the charge tell the same story; a run time only on battery.
    FUZZ_CHECK((s.batteryLifePercent == 255) == (s.batteryStatus == 128 || s.batteryStatus == 255));
    FUZZ_CHECK(s.batteryLifeTime == -1 || (s.batteryLifeTime >= 0 && s.acStatus == 0 && s.batteryStatus != 128));
    FUZZ_CHECK(MapPowerSupplies(supplies) == s);  // read afresh, the same supplies give the same answer
    return 0;
}
