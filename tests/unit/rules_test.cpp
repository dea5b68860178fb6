// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerEventRules.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/FakePowerSource.h"

namespace {

const std::string Low20 =
    "Remaining battery is lower than 20%. It is suggested that you start charging the battery immediately.";
const std::string Time10 =
    "Remaining battery time is less than 10 min. It is suggested that you start charging the battery immediately.";
const std::string On = "AC Power is now On.", Off = "AC Power is now Off.", None = "<none>";

NotificationSettings Armed(std::int16_t lowPercent, std::int16_t lowTime, bool inform, std::int16_t informPercent,
                           bool acOn, bool acOff) {
    return {acOn, acOff, lowPercent, lowTime, inform, informPercent};
}

TEST(Rules, ShowTheFirstMessageWhoseConditionHolds) {
    const NotificationSettings low = Armed(20, 0, false, 0, false, false), time = Armed(0, 10, false, 0, false, false),
                               on = Armed(0, 0, false, 0, true, false), off = Armed(0, 0, false, 0, false, true),
                               all = Armed(20, 10, true, 100, true, true);
    const struct {
        NotificationSettings settings;
        std::int16_t percent, ac;
        const char *previousTime, *previousAC;
        std::string expected;
    } cases[] = {{{}, 0, 0, "0:00", "On", None},
                 {low, 20, 0, "1:00", "Off", None},
                 {low, 19, 0, "1:00", "Off", Low20},
                 {Armed(20, 10, false, 0, false, false), 5, 1, "0:01", "On", None},
                 {low, 5, 255, "1:00", "On", Low20},
                 {time, 50, 0, "0:9:59", "Off", Time10},
                 {time, 50, 0, "0:10", "Off", None},
                 {time, 50, 255, "0:05", "On", Time10},
                 {Armed(0, 10, false, 0, false, true), 50, 0, "No Info", "On", Off},
                 {Armed(0, 84, false, 0, false, false), 50, 0, "1:23:45", "Off",
                  "Remaining battery time is less than 84 min. It is suggested that you start charging the battery "
                  "immediately."},
                 {Armed(0, 0, true, 100, false, false), 100, 1, "Unknown", "On", "Battery is now 100%."},
                 // Informing comes before plugging in.
                 {Armed(0, 0, true, 50, true, false), 50, 1, "1:00", "Off", "Battery is now 50%."},
                 {on, 50, 1, "1:00", "Off", On},
                 {on, 50, 1, "1:00", "On", None},
                 {on, 50, 1, "1:00", "Charging", None},
                 {on, 100, 1, "Unknown", "Charging", None},
                 {all, 5, 1, "0:05", "Off", On},
                 {off, 50, 0, "1:00", "On", Off},
                 {off, 50, 0, "1:00", "Charging", Off},
                 {off, 50, 0, "1:00", "Off", None},
                 {Armed(0, 0, false, 0, true, true), 50, 255, "1:00", "Off", None},
                 {all, 15, 0, "0:05", "On", Low20},
                 {Armed(0, 10, true, 50, false, false), 50, 0, "0:05", "Off", Time10},
                 {all, 255, 0, "0:01", "On", None}};
    for (const auto& c : cases) {
        FakePowerSource power;
        power.percent = c.percent;
        power.ac = c.ac;
        EXPECT_EQ(ApplyPowerEventRules(c.settings, c.previousTime, c.previousAC, power).value_or(None), c.expected)
            << c.percent << "% AC " << c.ac << " after " << c.previousTime << ", " << c.previousAC;
    }
}

TEST(Rules, MinutesOfTimeTextReadsHoursAndMinutesOnly) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"1:23:45", 83}, {"2:08", 128}, {"0:0:59", 0}, {"25:10", 1510}, {"No Info", {}},  {"Unknown", {}},
        {"", {}},        {":30", {}},   {"1:", {}},    {"a:10", {}},    {"-1:-2:-3", {}}, {"99999999999:00", INT_MAX}};
    for (const auto& [text, minutes] : cases) EXPECT_EQ(MinutesOfTimeText(text), minutes) << '"' << text << '"';
}

}  // namespace
