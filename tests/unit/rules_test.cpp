// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerEventRules.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <sstream>

#include "support/FakePowerSource.h"

namespace {

// A row: the settings (low percent, low minutes, inform, inform percent, AC on, AC off), the charge and the AC status,
// the Battery Time and AC texts the previous refresh left, and the message shown ("-": none).
TEST(Rules, ShowTheFirstMessageWhoseConditionHolds) {
    const std::map<std::string, std::string> messages = {
        {"low",
         "Remaining battery is lower than 20%. It is suggested that you start charging the battery immediately."},
        {"time",
         "Remaining battery time is less than 10 min. It is suggested that you start charging the battery "
         "immediately."},
        {"on", "AC Power is now On."},
        {"off", "AC Power is now Off."},
        {"50%", "Battery is now 50%."},
        {"100%", "Battery is now 100%."},
        {"-", "-"}};
    for (const char* row :
         {"20 0 0 0 0 0 20 0 1:00 Off -", "20 0 0 0 0 0 19 0 1:00 Off low", "20 10 0 0 0 0 5 1 0:01 On -",
          "20 0 0 0 0 0 5 255 1:00 On low", "0 10 0 0 0 0 50 0 0:9:59 Off time", "0 10 0 0 0 0 50 0 0:10 Off -",
          "0 10 0 0 0 0 50 255 0:05 On time", "0 10 0 0 0 1 50 0 Unknown On off", "0 0 1 100 0 0 100 1 Unknown On 100%",
          "0 0 1 50 1 0 50 1 1:00 Off 50%", "0 0 0 0 1 0 50 1 1:00 Off on", "0 0 0 0 1 0 50 1 1:00 On -",
          "0 0 0 0 1 0 50 1 1:00 Charging -", "0 0 0 0 0 1 50 0 1:00 On off", "0 0 0 0 0 1 50 0 1:00 Off -",
          "0 0 0 0 1 1 50 255 1:00 Off -", "20 10 1 100 1 1 15 0 0:05 On low", "0 10 1 50 0 0 50 0 0:05 Off time",
          "20 10 1 100 1 1 255 0 0:01 On -"}) {
        std::istringstream in(row);
        NotificationSettings s;
        FakePowerSource power;
        std::string time, ac, shown;
        in >> s.LowWarningPercent >> s.LowWarningTime >> s.PercentInform >> s.PercentInformPercent >> s.ACon >>
            s.ACoff >> power.percent >> power.ac >> time >> ac >> shown;
        EXPECT_EQ(ApplyPowerEventRules(s, time, ac, power).value_or("-"), messages.at(shown)) << row;
    }
}

TEST(Rules, MinutesOfTimeTextReadsHoursAndMinutesOnly) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"1:23:45", 83}, {"2:08", 128}, {"0:0:59", 0}, {"25:10", 1510}, {"No Info", {}},  {"Unknown", {}},
        {"", {}},        {":30", {}},   {"1:", {}},    {"a:10", {}},    {"-1:-2:-3", {}}, {"99999999999:00", INT_MAX}};
    for (const auto& [text, minutes] : cases) EXPECT_EQ(MinutesOfTimeText(text), minutes) << '"' << text << '"';
}

}  // namespace
