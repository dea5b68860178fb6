// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "PowerSource.h"

// The six notification settings the main window holds.
struct NotificationSettings {
    bool ACon = false;
    bool ACoff = false;
    std::int16_t LowWarningPercent = 0;
    std::int16_t LowWarningTime = 0;
    bool PercentInform = false;
    std::int16_t PercentInformPercent = 0;
};

// The warning and informing rules of one power-event run, in their order. Returns the
// message of the first rule that holds, or nothing (also when the charge is unknown).
// previousTimeText and previousACText are the labels the previous refresh left.
std::optional<std::string> ApplyPowerEventRules(const NotificationSettings& settings,
                                                const std::string& previousTimeText, const std::string& previousACText,
                                                PowerSource& power);

// Minutes in a Battery Time text ("1:23:45" -> 83, "2:08" -> 128); nothing when it
// holds no time ("No Info", "Unknown", empty).
std::optional<int> MinutesOfTimeText(const std::string& timeText);
