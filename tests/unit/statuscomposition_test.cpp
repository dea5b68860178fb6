// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusComposition.h"

#include <gtest/gtest.h>

#include "support/FakePowerSource.h"

namespace {

// What one refresh shows (tooltip, icon, bar, Battery Status, Battery Time, AC), with a stand-in for the estimator.
TEST(StatusComposition, ComposesWhatARefreshShows) {
    const struct {
        std::int16_t status, percent, ac;
        std::int32_t lifeTime;
        std::string shows;
    } cases[] = {{1, 85, 0, 5025, "85%|1091|85|85%|1:23:45|Off"},
                 {1, 100, 0, -1, "100%|1101|100|100%|estimate|Off"},
                 {2, 10, 0, 3723, "10%|1011|10|10%|1:2:3|Off"},
                 {2, 11, 255, 0, "11%|1021|11|11%|0:0:0|On"},
                 {4, 0, 0, 59, "0%|1011|0|0%|0:0:59|Off"},
                 {7, 91, 1, 1, "91%|1101|91|91%|0:0:1|On"},
                 {1, 101, 0, 1, "101%|0|101|101%|0:0:1|Off"},
                 {1, -1, 0, 1, "-1%|0|-1|-1%|0:0:1|Off"},
                 {8, 85, 1, 5025, "Charging - 85%|1211|85|85%|1:23:45|Charging"},
                 {9, 100, 1, -1, "100%|1201|100|100%|estimate|On"},
                 {127, 0, 0, -1, "Charging - 0%|1211|0|0%|estimate|Charging"},
                 {128, 0, 1, 59, "No Battery|1301|0|No Battery|0:0:59|On"},
                 {255, 50, 1, 5025, "AC Power|1201|0|AC Power|Unknown|On"},
                 {255, 50, 0, 5025, "Unknown|1301|0|Unknown|Unknown|Off"},
                 {129, 50, 255, -1, "Unknown|1301|0|Unknown|Unknown|On"},
                 {256, 50, 1, -1, "|0|0||estimate|On"}};
    for (const auto& c : cases) {
        FakePowerSource power;
        power.status = c.status, power.percent = c.percent, power.ac = c.ac;
        const StatusClassification s = ClassifyStatus(power);
        const std::string status = BatteryStatusText(s.statusText, power);
        const auto time = [&] { return c.lifeTime == -1 ? "estimate" : FormatLifeTime(c.lifeTime); };
        EXPECT_EQ(s.statusText + "|" + std::to_string(s.iconNumber) + "|" + std::to_string(s.barPercent) + "|" +
                      status + "|" + BatteryTimeText(status, time) + "|" + ACText(s.statusText, power),
                  c.shows);
    }
    EXPECT_EQ(CompactTooltip("85%", "1:23:45", "Off"), "Status: 85% | Time: 1:23:45 | AC: Off");
}

TEST(StatusComposition, BarWidthAndLifeTime) {
    const std::tuple<float, std::int16_t, float> bars[] = {{2745, 85, 2333.25f}, {2745, 0, 0},      {2745, 100, 2745},
                                                           {2745, 33, 905.85f},  {2745, 255, 2745}, {2745, -5, 0},
                                                           {0, 50, 0},           {-100, 50, 0}};
    for (const auto& [track, percent, width] : bars) EXPECT_FLOAT_EQ(BarWidth(track, percent), width) << percent;
    const std::pair<std::int32_t, std::string> times[] = {
        {360000, "100:0:0"}, {-5, "-0:0:5"}, {2147483647, "596523:14:7"}, {-2147483647 - 1, "-596523:14:8"}};
    for (const auto& [seconds, text] : times) EXPECT_EQ(FormatLifeTime(seconds), text) << seconds;
}

}  // namespace
