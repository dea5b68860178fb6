// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerEventRules.h"

#include <limits>

namespace {

constexpr std::int16_t UnknownPercent = 255;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The whole number that fills text[begin, end), or nothing when anything else is there.
// A huge number stops growing past the largest int: it is still above any threshold.
std::optional<long long> WholeNumber(const std::string& text, std::size_t begin, std::size_t end) {
    if (begin >= end) return std::nullopt;
    long long value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        if (value <= std::numeric_limits<int>::max()) value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::optional<int> MinutesOfTimeText(const std::string& timeText) {
    const std::size_t colon = timeText.find(':');
    if (colon == std::string::npos) return std::nullopt;
    std::size_t minutesEnd = timeText.find(':', colon + 1);
    if (minutesEnd == std::string::npos) minutesEnd = timeText.size();
    const auto hours = WholeNumber(timeText, 0, colon);
    const auto minutes = WholeNumber(timeText, colon + 1, minutesEnd);
    if (!hours || !minutes) return std::nullopt;
    const long long total = *hours * 60 + *minutes;
    return total > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(total);
}

std::optional<std::string> ApplyPowerEventRules(const NotificationSettings& settings,
                                                const std::string& previousTimeText, const std::string& previousACText,
                                                PowerSource& power) {
    if (power.BatteryLifePercent() == UnknownPercent) return std::nullopt;

    if (settings.LowWarningPercent > power.BatteryLifePercent() && power.ACStatus() != 1)
        return "Remaining battery is lower than " + std::to_string(settings.LowWarningPercent) +
               "%. It is suggested that you start charging the battery immediately.";

    // A time text without a time ("No Info", "Unknown") has nothing to fall below.
    const auto minutes = MinutesOfTimeText(previousTimeText);
    if (minutes && settings.LowWarningTime > *minutes && power.ACStatus() != 1)
        return "Remaining battery time is less than " + std::to_string(settings.LowWarningTime) +
               " min. It is suggested that you start charging the battery immediately.";

    if (settings.PercentInform && settings.PercentInformPercent == power.BatteryLifePercent())
        return "Battery is now " + std::to_string(settings.PercentInformPercent) + "%.";

    if (settings.ACon && power.ACStatus() == 1 && previousACText != "Charging" && previousACText != "On")
        return std::string("AC Power is now On.");

    if (settings.ACoff && power.ACStatus() == 0 && previousACText != "Off") return std::string("AC Power is now Off.");

    return std::nullopt;
}
