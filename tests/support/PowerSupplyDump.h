// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <istream>
#include <vector>

#include "PowerSupplyMapping.h"

// Turns a dump of the kernel's power-supply class into supplies, as the sysfs reader
// would have read them. Understands the forms the collected dumps come in:
//   POWER_SUPPLY_CAPACITY=68            uevent lines; DEVTYPE= or a second
//                                       POWER_SUPPLY_NAME= starts the next supply
//   capacity=68                         one attribute file per line
//   /sys/class/power_supply/BAT0/type:Battery      grep output (":" or " = ", units in [] dropped)
//   /sys/class/power_supply/BAT0:  status=Discharging, current_now=-334000   a quoted summary
//   P: / E: / A: lines                  umockdev records (P: starts a supply; A: wins over E:)
// Lines starting with "#" and anything else are skipped.
std::vector<PowerSupply> ParsePowerSupplyDump(std::istream& in);
std::vector<PowerSupply> LoadPowerSupplyDump(const std::filesystem::path& file);
