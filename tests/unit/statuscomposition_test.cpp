// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "StatusComposition.h"
#include "support/FakePowerSource.h"

namespace {

struct RefreshCase {
    std::int16_t status, percent, ac;
    std::int32_t lifeTime;
    std::string tooltip;
    std::int16_t icon, bar;
    std::string batteryStatus, batteryTime, acText;
};

class StatusCompositionTest : public testing::TestWithParam<RefreshCase> {};

// Composes what one refresh shows, with a stand-in for the estimator.
TEST_P(StatusCompositionTest, ComposesWhatARefreshShows) {
    const RefreshCase& c = GetParam();
    FakePowerSource power;
    power.status = c.status;
    power.percent = c.percent;
    power.ac = c.ac;
    power.lifeTime = c.lifeTime;
    const auto remainingTime = [&] { return power.lifeTime == -1 ? "estimate" : FormatLifeTime(power.lifeTime); };

    const StatusClassification status = ClassifyStatus(power);
    EXPECT_EQ(status.statusText, c.tooltip);
    EXPECT_EQ(status.iconNumber, c.icon);
    EXPECT_EQ(status.barPercent, c.bar);
    const std::string batteryStatus = BatteryStatusText(status.statusText, power);
    EXPECT_EQ(batteryStatus, c.batteryStatus);
    EXPECT_EQ(BatteryTimeText(batteryStatus, remainingTime), c.batteryTime);
    EXPECT_EQ(ACText(status.statusText, power), c.acText);
}

INSTANTIATE_TEST_SUITE_P(States, StatusCompositionTest,
                         testing::Values(
                             // present, not charging: bands of ten; no icon outside 0..100
                             RefreshCase{1, 85, 0, 5025, "85%", 1091, 85, "85%", "1:23:45", "Off"},
                             RefreshCase{1, 100, 0, -1, "100%", 1101, 100, "100%", "estimate", "Off"},
                             RefreshCase{2, 10, 0, 3723, "10%", 1011, 10, "10%", "1:2:3", "Off"},
                             RefreshCase{2, 11, 255, 0, "11%", 1021, 11, "11%", "0:0:0", "On"},
                             RefreshCase{4, 0, 0, 59, "0%", 1011, 0, "0%", "0:0:59", "Off"},
                             RefreshCase{0, 21, 1, 60, "21%", 1031, 21, "21%", "0:1:0", "On"},
                             RefreshCase{7, 91, 0, 1, "91%", 1101, 91, "91%", "0:0:1", "Off"},
                             RefreshCase{-3, 55, 0, 1, "55%", 1061, 55, "55%", "0:0:1", "Off"},
                             RefreshCase{1, 101, 0, 1, "101%", 0, 101, "101%", "0:0:1", "Off"},
                             RefreshCase{1, 255, 0, 1, "255%", 0, 255, "255%", "0:0:1", "Off"},
                             // charging
                             RefreshCase{8, 85, 1, 5025, "Charging - 85%", 1211, 85, "85%", "1:23:45", "Charging"},
                             RefreshCase{9, 100, 1, -1, "100%", 1201, 100, "100%", "estimate", "On"},
                             RefreshCase{127, 0, 0, -1, "Charging - 0%", 1211, 0, "0%", "estimate", "Charging"},
                             // no battery, unknown battery state, a value no system gives
                             RefreshCase{128, 0, 1, 59, "No Battery", 1301, 0, "No Battery", "0:0:59", "On"},
                             RefreshCase{255, 50, 1, 5025, "AC Power", 1201, 0, "AC Power", "Unknown", "On"},
                             RefreshCase{255, 50, 0, 5025, "Unknown", 1301, 0, "Unknown", "Unknown", "Off"},
                             RefreshCase{129, 50, 255, -1, "Unknown", 1301, 0, "Unknown", "Unknown", "On"},
                             RefreshCase{256, 50, 1, -1, "", 0, 0, "", "estimate", "On"}));

TEST(StatusComposition, BatteryStatusTextReadsTheChargeOfItsMoment) {
    FakePowerSource power;
    power.percent = 86;
    EXPECT_EQ(BatteryStatusText("Charging - 85%", power), "86%");
}

TEST(StatusComposition, CompactTooltipJoinsTheThreeLabels) {
    EXPECT_EQ(CompactTooltip("85%", "1:23:45", "Off"), "Status: 85% | Time: 1:23:45 | AC: Off");
}

TEST(StatusComposition, BarWidthFollowsTheChargeWithinItsTrack) {
    const struct {
        float container;
        std::int16_t percent;
        float width;
    } cases[] = {{2745, 85, 2333.25f}, {2745, 0, 0},  {2745, 100, 2745}, {2745, 33, 27.45f * 33},
                 {2745, 255, 2745},    {2745, -5, 0}, {0, 50, 0},        {-100, 50, 0}};
    for (const auto& c : cases) EXPECT_FLOAT_EQ(BarWidth(c.container, c.percent), c.width) << c.percent;
}

TEST(StatusComposition, LifeTimeIsHoursMinutesSecondsUnpadded) {
    const std::pair<std::int32_t, std::string> cases[] = {{3600, "1:0:0"},
                                                          {360000, "100:0:0"},
                                                          {-5, "-0:0:5"},
                                                          {2147483647, "596523:14:7"},
                                                          {-2147483647 - 1, "-596523:14:8"}};
    for (const auto& [seconds, text] : cases) EXPECT_EQ(FormatLifeTime(seconds), text) << seconds;
}

}  // namespace
