// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusComposition.h"

#include <algorithm>
#include <cstdlib>

namespace {

std::string PercentText(int percent) { return std::to_string(percent) + "%"; }

bool SaysCharging(const std::string& statusText) { return statusText.starts_with("Charging"); }

}  // namespace

StatusClassification ClassifyStatus(PowerSource& power) {
    StatusClassification result;
    const int b = power.BatteryStatus();
    if (b < 8) {
        // One read serves text, bar and icon, so the three never disagree.
        const std::int16_t percent = power.BatteryLifePercent();
        result.statusText = PercentText(percent);
        result.barPercent = percent;
        result.iconNumber = IconForPercent(percent);
    } else if (b <= 127) {
        const std::int16_t percent = power.BatteryLifePercent();
        if (percent == 100) {
            result.iconNumber = 1201;
            result.statusText = PercentText(percent);
        } else {
            result.iconNumber = 1211;
            result.statusText = "Charging - " + PercentText(percent);
        }
        result.barPercent = percent;
    } else if (b == 128) {
        result.iconNumber = 1301;
        result.statusText = "No Battery";
    } else if (b <= 255) {
        if (power.ACStatus() == 1) {
            result.iconNumber = 1201;
            result.statusText = "AC Power";
        } else {
            result.iconNumber = 1301;
            result.statusText = "Unknown";
        }
    }
    return result;
}

std::int16_t IconForPercent(int percent) {
    if (percent < 0 || percent > 100) return 0;
    const int band = percent <= 10 ? 0 : (percent - 1) / 10;  // 0..10 -> 0, 11..20 -> 1, ..., 91..100 -> 9
    return static_cast<std::int16_t>(1011 + 10 * band);
}

std::string BatteryStatusText(const std::string& statusText, PowerSource& power) {
    return SaysCharging(statusText) ? PercentText(power.BatteryLifePercent()) : statusText;
}

std::string BatteryTimeText(const std::string& batteryStatusText, const std::function<std::string()>& remainingTime) {
    if (batteryStatusText == "AC Power" || batteryStatusText == "Unknown") return "Unknown";
    return remainingTime();
}

std::string ACText(const std::string& statusText, PowerSource& power) {
    if (SaysCharging(statusText)) return "Charging";
    return power.ACStatus() == 0 ? "Off" : "On";
}

std::string CompactTooltip(const std::string& status, const std::string& time, const std::string& ac) {
    return "Status: " + status + " | Time: " + time + " | AC: " + ac;
}

float BarWidth(float containerWidthTwips, std::int16_t barPercent) {
    const float width = containerWidthTwips / 100.0f * static_cast<float>(barPercent);
    // A charge outside 0..100 would make the bar negative or overflow its track.
    if (!(width > 0.0f) || !(containerWidthTwips > 0.0f)) return 0.0f;
    return std::min(width, containerWidthTwips);
}

std::string FormatLifeTime(std::int32_t seconds) {
    // A negative time is not a running time; written with one sign in front rather
    // than a sign in every field.
    const long long magnitude = std::llabs(static_cast<long long>(seconds));
    const std::string sign = seconds < 0 ? "-" : "";
    return sign + std::to_string(magnitude / 3600) + ":" + std::to_string(magnitude % 3600 / 60) + ":" +
           std::to_string(magnitude % 60);
}
