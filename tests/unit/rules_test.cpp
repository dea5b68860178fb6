// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerEventRules.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <vector>

#include "support/FakePowerSource.h"

namespace {

const std::string LowCharge20 =
    "Remaining battery is lower than 20%. It is suggested that you start charging the battery immediately.";
const std::string LowTime10 =
    "Remaining battery time is less than 10 min. It is suggested that you start charging the battery immediately.";
const std::string AcOn = "AC Power is now On.";
const std::string AcOff = "AC Power is now Off.";
const std::string None = "<none>";

NotificationSettings Armed(std::int16_t lowPercent, std::int16_t lowTime, bool inform, std::int16_t informPercent,
                           bool acOn, bool acOff) {
    return {acOn, acOff, lowPercent, lowTime, inform, informPercent};
}

const NotificationSettings Nothing{};
const NotificationSettings Everything = Armed(20, 10, true, 100, true, true);

struct RuleCase {
    const char* name;
    NotificationSettings settings;
    std::int16_t percent;
    std::int16_t ac;
    const char* previousTime;
    const char* previousAC;
    std::string expected;
};

class Rules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(Rules, ShowTheFirstMessageWhoseConditionHolds) {
    const auto& c = GetParam();
    FakePowerSource power;
    power.percent = c.percent;
    power.ac = c.ac;
    EXPECT_EQ(ApplyPowerEventRules(c.settings, c.previousTime, c.previousAC, power).value_or(None), c.expected)
        << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Rules,
    ::testing::Values(
        RuleCase{"first run: nothing armed", Nothing, 0, 0, "0:00", "On", None},
        RuleCase{"at the warning level", Armed(20, 0, false, 0, false, false), 20, 0, "1:00", "Off", None},
        RuleCase{"one below", Armed(20, 0, false, 0, false, false), 19, 0, "1:00", "Off", LowCharge20},
        RuleCase{"low on mains", Armed(20, 10, false, 0, false, false), 5, 1, "0:01", "On", None},
        RuleCase{"low, mains unknown", Armed(20, 0, false, 0, false, false), 5, 255, "1:00", "On", LowCharge20},
        RuleCase{"time below", Armed(0, 10, false, 0, false, false), 50, 0, "0:9:59", "Off", LowTime10},
        RuleCase{"time at", Armed(0, 10, false, 0, false, false), 50, 0, "0:10", "Off", None},
        RuleCase{"time unknown ac", Armed(0, 10, false, 0, false, false), 50, 255, "0:05", "On", LowTime10},
        RuleCase{"h:m:s minutes", Armed(0, 84, false, 0, false, false), 50, 0, "1:23:45", "Off",
                 "Remaining battery time is less than 84 min. It is suggested that you start charging the "
                 "battery immediately."},
        RuleCase{"no estimate yet", Armed(0, 10, false, 0, false, true), 50, 0, "No Info", "On", AcOff},
        RuleCase{"percentage on mains", Armed(0, 0, true, 100, false, false), 100, 1, "Unknown", "On",
                 "Battery is now 100%."},
        RuleCase{"plugged in", Armed(0, 0, false, 0, true, false), 50, 1, "1:00", "Off", AcOn},
        RuleCase{"already charging", Armed(0, 0, false, 0, true, false), 50, 1, "1:00", "Charging", None},
        RuleCase{"charge finished", Armed(0, 0, false, 0, true, false), 100, 1, "Unknown", "Charging", None},
        RuleCase{"plugged in while low", Everything, 5, 1, "0:05", "Off", AcOn},
        RuleCase{"unplugged", Armed(0, 0, false, 0, false, true), 50, 0, "1:00", "On", AcOff},
        RuleCase{"unplugged while charging", Armed(0, 0, false, 0, false, true), 50, 0, "1:00", "Charging", AcOff},
        RuleCase{"mains unknown", Armed(0, 0, false, 0, true, true), 50, 255, "1:00", "Off", None},
        RuleCase{"low pre-empts unplugged", Everything, 15, 0, "0:05", "On", LowCharge20},
        RuleCase{"time pre-empts percentage", Armed(0, 10, true, 50, false, false), 50, 0, "0:05", "Off", LowTime10},
        RuleCase{"charge unknown", Everything, 255, 0, "0:01", "On", None}),
    [](const auto& tested) {
        std::string n = tested.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

// Runs the rules as the power-event handler does, then leaves the AC text that the
// refresh would write (not charging: "Off" or "On").
std::vector<std::string> Runs(const NotificationSettings& settings, FakePowerSource& power, std::string& acText,
                              int runs) {
    std::vector<std::string> shown;
    for (int i = 0; i < runs; ++i) {
        shown.push_back(ApplyPowerEventRules(settings, "1:00", acText, power).value_or(None));
        acText = power.ac == 0 ? "Off" : "On";
    }
    return shown;
}

TEST(RulesOverRuns, ChangeRulesFireOnceLevelRulesRepeatAndAPreemptedChangeIsNotShownLater) {
    FakePowerSource power;
    power.percent = 50;
    std::string ac = "On";
    const auto mains = Armed(0, 0, false, 0, true, true);
    power.ac = 0;
    EXPECT_EQ(Runs(mains, power, ac, 2), (std::vector{AcOff, None}));
    power.ac = 1;
    EXPECT_EQ(Runs(mains, power, ac, 2), (std::vector{AcOn, None}));

    power.percent = 15;
    power.ac = 0;
    EXPECT_EQ(Runs(Everything, power, ac, 3), (std::vector{LowCharge20, LowCharge20, LowCharge20}));
}

TEST(MinutesOfTimeText, ReadsHoursAndMinutesOnly) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"1:23:45", 83}, {"2:08", 128}, {"0:0:59", 0}, {"25:10", 1510}, {"No Info", {}},  {"Unknown", {}},
        {"", {}},        {":30", {}},   {"1:", {}},    {"a:10", {}},    {"-1:-2:-3", {}}, {"99999999999:00", INT_MAX}};
    for (const auto& [text, minutes] : cases) EXPECT_EQ(MinutesOfTimeText(text), minutes) << '"' << text << '"';
}

}  // namespace
