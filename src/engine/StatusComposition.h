// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "PowerSource.h"

// The pieces of the status refresh that are plain rules; the main window applies them
// one step at a time, so a failing step leaves only its own display as it was.

struct StatusClassification {
    std::string statusText;       // tooltip; mostly the Battery Status text
    std::int16_t iconNumber = 0;  // 16 x 16 status icon; N - 1 is its 32 x 32 partner; 0 = none
    std::int16_t barPercent = 0;
};

// Classifies by BatteryStatus (read once) and reads the other values as each case needs.
StatusClassification ClassifyStatus(PowerSource& power);

// Icon of a not-charging battery at the given percent; 0 outside 0..100.
std::int16_t IconForPercent(int percent);

// Battery Status label: the charge with "%" when the status text says Charging, else the status text.
std::string BatteryStatusText(const std::string& statusText, PowerSource& power);

// Battery Time label: "Unknown" after "AC Power" or "Unknown", else the remaining time.
std::string BatteryTimeText(const std::string& batteryStatusText, const std::function<std::string()>& remainingTime);

// AC label: "Charging", "Off" or "On".
std::string ACText(const std::string& statusText, PowerSource& power);

// "Status: 85% | Time: 1:23:45 | AC: Off"
std::string CompactTooltip(const std::string& status, const std::string& time, const std::string& ac);

// Bar width in twips for a track of the given width; single precision as displayed.
float BarWidth(float containerWidthTwips, std::int16_t barPercent);

// Seconds as "h:m:s" without padding (5025 -> "1:23:45").
std::string FormatLifeTime(std::int32_t seconds);
