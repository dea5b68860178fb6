// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerEventRules.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/FakePowerSource.h"

// A row: the settings (low percent, low minutes, inform, inform percent, AC on, AC off), the charge and the AC status,
// the Battery Time and AC texts the previous refresh left, and the message shown ("-": none).
TEST(Rules, ShowTheFirstMessageWhoseConditionHolds) {
    const std::string advice = " It is suggested that you start charging the battery immediately.";
    const std::map<std::string, std::string> texts = {{"low", "Remaining battery is lower than 20%." + advice},
                                                      {"time", "Remaining battery time is less than 10 min." + advice},
                                                      {"on", "AC Power is now On."},
                                                      {"off", "AC Power is now Off."},
                                                      {"50%", "Battery is now 50%."}};
    for (const char* row :
         {"20 0 0 0 0 0 20 0 1:00 Off -", "20 0 0 0 0 0 19 0 1:00 Off low", "20 10 0 0 0 0 5 1 0:01 On -",
          "20 0 0 0 0 0 5 255 1:00 On low", "0 10 0 0 0 0 50 0 0:9:59 Off time", "0 10 0 0 0 0 50 0 0:10 Off -",
          "0 10 0 0 0 0 50 0 1:05 Off -", "0 10 0 0 0 0 50 255 0:05 On time", "0 10 0 0 0 1 50 0 Unknown On off",
          "0 0 1 50 1 0 50 1 1:00 Off 50%", "0 0 1 50 0 0 49 0 1:00 Off -", "0 0 0 0 1 0 50 1 1:00 Off on",
          "0 0 0 0 1 0 50 1 1:00 On -", "0 0 0 0 1 0 50 1 1:00 Charging -", "0 0 0 0 0 1 50 0 1:00 On off",
          "0 0 0 0 0 1 50 1 1:00 Off -", "20 10 1 100 1 1 15 0 0:05 On low", "0 10 1 50 0 0 50 0 0:05 Off time",
          "20 10 1 100 1 1 255 0 0:01 On -"}) {
        std::istringstream in(row);
        NotificationSettings s;
        FakePowerSource power;
        std::string time, ac, shown;
        in >> s.LowWarningPercent >> s.LowWarningTime >> s.PercentInform >> s.PercentInformPercent >> s.ACon >>
            s.ACoff >> power.percent >> power.ac >> time >> ac >> shown;
        EXPECT_EQ(ApplyPowerEventRules(s, time, ac, power).value_or("-"), shown == "-" ? shown : texts.at(shown))
            << row;
    }
    // The minutes a Battery Time text holds: of h:m:s and h:mm texts, nothing of any other.
    const std::pair<const char*, std::optional<int>> minutes[] = {
        {"1:23:45", 83}, {"25:10", 1510}, {"a:10", {}}, {":30", {}}, {"1:", {}}};
    for (const auto& [text, expected] : minutes) EXPECT_EQ(MinutesOfTimeText(text), expected) << text;
}
