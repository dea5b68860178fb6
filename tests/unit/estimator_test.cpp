// SPDX-License-Identifier: GPL-3.0-or-later
#include "modBatteryStuff.h"

#include <gtest/gtest.h>

#include <limits>

#include "SystemClock.h"
#include "support/FakeClock.h"
#include "support/FakePowerSource.h"
#include "support/MemoryRegistry.h"

namespace {

constexpr const char* Missing = "<missing>";

// The estimator over a Time Calc key holding the given Data and Count.
struct Estimator {
    explicit Estimator(const char* data = Missing, const char* count = Missing, char separator = '.')
        : registry(backend, separator) {
        registry.CreateRegistryKey(regkeys::TimeCalc, reg::Hive::CurrentUser);
        for (const auto& [name, text] : {std::pair{"Data", data}, std::pair{"Count", count}})
            if (text != std::string(Missing)) backend.PutText(reg::Hive::CurrentUser, regkeys::TimeCalc, name, text);
    }
    std::string Stored() const {
        return backend.TextOf(reg::Hive::CurrentUser, regkeys::TimeCalc, "Data") + " " +
               backend.TextOf(reg::Hive::CurrentUser, regkeys::TimeCalc, "Count");
    }
    void Record(std::int16_t drop, double minutes) { estimator.RecordDischargeSample(drop, minutes); }

    MemoryRegistry backend;
    modRegistry registry;
    FakePowerSource power;
    modBatteryStuff estimator{registry, power};
};

TEST(Estimator, LearnsAcrossRunsAndShowsHoursAndMinutes) {
    Estimator e;
    EXPECT_EQ(e.estimator.EstimateRemainingTime(), "No Info");
    e.Record(1, 2.0);
    e.Record(1, 1.0);
    e.Record(1, 1.0);
    EXPECT_EQ(e.Stored(), "1.3333333333333333333333333333 3");
    EXPECT_EQ(e.estimator.EstimateRemainingTime(), "1:53");  // at 85 %
    e.power.lifeTime = 5025;
    EXPECT_EQ(e.estimator.GetRemainingTime(), "1:23:45");  // the system's own time comes first

    Estimator comma(Missing, Missing, ',');
    comma.Record(2, 1.5);
    EXPECT_EQ(comma.Stored(), "0,75 1");
    comma.power.percent = 100;
    EXPECT_EQ(comma.estimator.GetRemainingTime(), "1:15");
}

TEST(Estimator, TurnsTheStoredAverageIntoATimeText) {
    const char* const kMax = "79228162514264337593543950335";  // the product overflows
    using E = std::tuple<const char*, const char*, std::int16_t, const char*, const char*>;
    const E cases[] = {E{"1.5", "0", 85, "No Info", "1.5 0"},
                       E{"0", "5", 85, "No Info", "0 5"},
                       E{"1", "3", 0, "0:00", "1 3"},
                       E{"1", "3", 65, "1:05", "1 3"},
                       E{"15.1", "3", 100, "25:10", "15.1 3"},
                       E{"1", "3", 255, "4:15", "1 3"},
                       E{"1,5", "2", 85, "2:08", "1,5 2"},
                       E{"1.5", "10000", 85, "2:08", "1.5 9850"},
                       E{"1.5", "20000", 85, "2:08", "1.5 9850"},
                       E{"0", "10000", 85, "No Info", "0 10000"},
                       E{"abc", "3", 85, "No Info", "abc 3"},
                       E{"1.5", "x", 85, "No Info", "1.5 x"},
                       E{"1.5", "-2", 85, "No Info", "1.5 -2"},
                       E{"1.5", "40000", 85, "No Info", "1.5 40000"},
                       E{"-1.5", "3", 85, "No Info", "-1.5 3"},
                       E{kMax, "1", 85, "No Info", nullptr}};
    for (const auto& [data, count, percent, expected, after] : cases) {
        Estimator e(data, count);
        e.power.percent = percent;
        EXPECT_EQ(e.estimator.EstimateRemainingTime(), expected) << data << " " << count << " " << percent;
        EXPECT_TRUE(!after || e.Stored() == after) << e.Stored();
    }
}

TEST(Estimator, FoldsOneSampleIntoTheAverage) {
    const double inf = std::numeric_limits<double>::infinity();
    using R = std::tuple<const char*, const char*, std::int16_t, double, const char*>;
    // The last four: no rate at all, the history stays as it was.
    const R cases[] = {R{"1.5", "0", 1, 3.0, "3 1"},    R{"0", "5", 1, 2.0, "2 1"},     R{"abc", "3", 1, 2.0, "2 1"},
                       R{"1.5", "-1", 1, 2.0, "2 1"},   R{"1.5", "2", 0, 1.0, "1.5 2"}, R{"1.5", "2", 1, 0.0, "1.5 2"},
                       R{"1.5", "2", 1, -1.0, "1.5 2"}, R{"1.5", "2", 1, inf, "1.5 2"}};
    for (const auto& [data, count, drop, minutes, after] : cases) {
        Estimator e(data, count);
        e.Record(drop, minutes);
        EXPECT_EQ(e.Stored(), after) << data << " " << count << " " << drop << " " << minutes;
    }
    Estimator capped("1.5", "10000");
    capped.Record(1, 1.0);
    EXPECT_EQ(capped.Stored(), "1.4999500049995000499950005 9850");
}

TEST(Estimator, SamplesOnlyAFallOnBatteryWhileAwake) {
    // Previous status and AC texts, percent now, seconds awake and asleep since, whether the wall clock of the previous
    // refresh is known, and the average after; from 30 s before midnight. Asleep for an hour, without the wall clock
    // only the awake minute counts, a short gap is tolerated; the wall clock set back or forward an hour, or a little.
    using S = std::tuple<const char*, const char*, std::int16_t, double, double, bool, const char*>;
    const S cases[] = {S{"85%", "Off", 83, 90, 0, true, "0.75"},         S{"85.5%", "Off", 83, 90, 0, true, "0.75"},
                       S{"85%", "On", 83, 90, 0, true, Missing},         S{"85%", "Charging", 83, 90, 0, true, Missing},
                       S{"85%", "Off", 85, 90, 0, true, Missing},        S{"85%", "Off", 255, 90, 0, true, Missing},
                       S{"No Battery", "Off", 50, 90, 0, true, Missing}, S{"85%", "Off", 83, 0, 0, true, Missing},
                       S{"255%", "Off", 80, 90, 0, true, Missing},       S{"85%", "Off", 83, 60, 3600, true, Missing},
                       S{"85%", "Off", 83, 60, 3600, false, "0.5"},      S{"85%", "Off", 83, 60, 20, true, "0.5"},
                       S{"85%", "Off", 83, 90, -3600, true, Missing},    S{"85%", "Off", 83, 90, 3600, true, Missing},
                       S{"85%", "Off", 83, 90, -5, true, "0.75"}};
    for (const auto& [status, ac, percent, awake, asleep, withWall, after] : cases) {
        Estimator e;
        FakeClock clock;
        clock.wall = 86400 - 30 + awake + asleep;
        if (clock.wall >= 86400) clock.wall -= 86400;
        clock.awake = 1000 + awake;
        e.power.percent = percent;
        RunSamplingStep(e.estimator, e.power, status, ac, 1000, clock,
                        withWall ? std::optional(86400 - 30) : std::nullopt);
        EXPECT_EQ(e.Stored(), std::string(after) + (after == std::string(Missing) ? " <missing>" : " 1"))
            << status << " " << ac << " " << percent << " " << awake << " " << asleep;
    }
}

TEST(SystemClock, GivesTimeOfDayAndAnAwakeClockThatNeverRunsBack) {
    SystemClock clock;
    EXPECT_GE(clock.SecondsSinceMidnight(), 0.0);
    EXPECT_LT(clock.SecondsSinceMidnight(), 86401.0);
    const double awake = clock.AwakeSeconds();
    EXPECT_LE(awake, clock.AwakeSeconds());
}

}  // namespace
