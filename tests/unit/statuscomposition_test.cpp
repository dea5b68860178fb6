// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusComposition.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/FakePowerSource.h"

// A row: BatteryStatus, percent, AC status and life time read, then what the refresh shows: tooltip, icon, bar,
// Battery Status, Battery Time (with "estimate" standing for the estimator) and AC texts.
TEST(StatusComposition, ComposesWhatARefreshShows) {
    for (const char* row :
         {"1 85 0 5025 85%|1091|85|85%|1:23:45|Off", "1 100 0 -1 100%|1101|100|100%|estimate|Off",
          "2 10 0 3723 10%|1011|10|10%|1:2:3|Off", "2 11 255 0 11%|1021|11|11%|0:0:0|On",
          "4 0 0 59 0%|1011|0|0%|0:0:59|Off", "1 85 0 3599 85%|1091|85|85%|0:59:59|Off",
          "7 91 1 60 91%|1101|91|91%|0:1:0|On", "1 101 0 360000 101%|0|101|101%|100:0:0|Off",
          "1 -1 0 1 -1%|0|-1|-1%|0:0:1|Off", "8 85 1 5025 Charging - 85%|1211|85|85%|1:23:45|Charging",
          "9 100 1 -1 100%|1201|100|100%|estimate|On", "127 0 0 -1 Charging - 0%|1211|0|0%|estimate|Charging",
          "128 0 1 59 No Battery|1301|0|No Battery|0:0:59|On", "255 50 1 5025 AC Power|1201|0|AC Power|Unknown|On",
          "255 50 0 5025 Unknown|1301|0|Unknown|Unknown|Off", "129 50 255 -1 Unknown|1301|0|Unknown|Unknown|On",
          "256 50 1 -1 |0|0||estimate|On"}) {
        std::istringstream in(row);
        FakePowerSource power;
        std::string expected;
        in >> power.status >> power.percent >> power.ac >> power.lifeTime >> std::ws;
        std::getline(in, expected);
        const StatusClassification s = ClassifyStatus(power);
        const std::string status = BatteryStatusText(s.statusText, power);
        const auto time = [&] { return power.lifeTime == -1 ? "estimate" : FormatLifeTime(power.lifeTime); };
        EXPECT_EQ(s.statusText + "|" + std::to_string(s.iconNumber) + "|" + std::to_string(s.barPercent) + "|" +
                      status + "|" + BatteryTimeText(status, time) + "|" + ACText(s.statusText, power),
                  expected);
    }
    EXPECT_FLOAT_EQ(BarWidth(2745, -5), 0);  // never a negative bar
}
