// SPDX-License-Identifier: GPL-3.0-or-later
#include "modBatteryStuff.h"

#include <gtest/gtest.h>

#include <limits>
#include <string_view>

#include "SystemClock.h"
#include "support/FakeClock.h"
#include "support/FakePowerSource.h"
#include "support/MemoryRegistry.h"

namespace {

constexpr const char* Missing = "<missing>";

class EstimatorTest : public ::testing::Test {
protected:
    explicit EstimatorTest(char separator = '.') : registry(backend, separator), estimator(registry, power) {
        registry.CreateRegistryKey(regkeys::TimeCalc, reg::Hive::CurrentUser);
    }

    void Store(const char* data, const char* count) {
        if (std::string_view(data) != Missing) backend.PutText(reg::Hive::CurrentUser, regkeys::TimeCalc, "Data", data);
        if (std::string_view(count) != Missing)
            backend.PutText(reg::Hive::CurrentUser, regkeys::TimeCalc, "Count", count);
    }
    std::string Data() const { return backend.TextOf(reg::Hive::CurrentUser, regkeys::TimeCalc, "Data"); }
    std::string Count() const { return backend.TextOf(reg::Hive::CurrentUser, regkeys::TimeCalc, "Count"); }
    void Record(std::int16_t drop, double minutes) { estimator.RecordDischargeSample(drop, minutes); }

    MemoryRegistry backend;
    modRegistry registry;
    FakePowerSource power;
    modBatteryStuff estimator;
};

TEST_F(EstimatorTest, LearnsTheWorkedExampleAndShowsHoursAndMinutes) {
    EXPECT_EQ(estimator.EstimateRemainingTime(), "No Info");
    const std::tuple<double, const char*, const char*> steps[] = {
        {2.0, "2", "1"}, {1.0, "1.5", "2"}, {1.0, "1.3333333333333333333333333333", "3"}};
    for (const auto& [sample, data, count] : steps) {
        Record(1, sample);
        EXPECT_EQ(Data(), data);
        EXPECT_EQ(Count(), count);
    }
    power.percent = 85;
    EXPECT_EQ(estimator.EstimateRemainingTime(), "1:53");
}

struct EstimateCase {
    const char* data;
    const char* count;
    std::int16_t percent;
    const char* expected;
    const char* countAfter;
};

class Estimate : public EstimatorTest, public ::testing::WithParamInterface<EstimateCase> {};

TEST_P(Estimate, TurnsTheStoredAverageIntoATimeText) {
    const auto& c = GetParam();
    Store(c.data, c.count);
    power.percent = c.percent;
    EXPECT_EQ(estimator.EstimateRemainingTime(), c.expected);
    EXPECT_EQ(Count(), c.countAfter);
}

using E = EstimateCase;
INSTANTIATE_TEST_SUITE_P(Table, Estimate,
                         ::testing::Values(E{Missing, Missing, 85, "No Info", Missing},
                                           E{"1.5", "0", 85, "No Info", "0"}, E{"0", "5", 85, "No Info", "5"},
                                           E{"1", "3", 0, "0:00", "3"}, E{"1", "3", 65, "1:05", "3"},
                                           E{"15.1", "3", 100, "25:10", "3"}, E{"1", "3", 255, "4:15", "3"},
                                           E{"1,5", "2", 85, "2:08", "2"},  // written where ',' is the separator
                                           E{"1.5", "10000", 85, "2:08", "9850"}, E{"1.5", "20000", 85, "2:08", "9850"},
                                           E{"0", "10000", 85, "No Info", "10000"}, E{"abc", "3", 85, "No Info", "3"},
                                           E{"1.5", "x", 85, "No Info", "x"}, E{"1.5", "-2", 85, "No Info", "-2"},
                                           E{"1.5", "40000", 85, "No Info", "40000"},
                                           E{"-1.5", "3", 85, "No Info", "3"},
                                           E{"79228162514264337593543950335", "1", 85, "No Info", "1"}));

struct RecordCase {
    const char* data;
    const char* count;
    std::int16_t drop;
    double minutes;
    const char* dataAfter;
    const char* countAfter;
};

class Record : public EstimatorTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(Record, FoldsOneSampleIntoTheAverage) {
    const auto& c = GetParam();
    Store(c.data, c.count);
    EstimatorTest::Record(c.drop, c.minutes);
    EXPECT_EQ(Data(), c.dataAfter);
    EXPECT_EQ(Count(), c.countAfter);
}

using R = RecordCase;
INSTANTIATE_TEST_SUITE_P(Table, Record,
                         ::testing::Values(R{Missing, Missing, 2, 1.5, "0.75", "1"},
                                           R{"1.5", "10000", 1, 1.0, "1.4999500049995000499950005", "9850"},
                                           R{"1,5", "2", 1, 1.0, "1.3333333333333333333333333333", "3"},
                                           R{"1.5", "0", 1, 3.0, "3", "1"},
                                           // Histories that are none to build on start afresh.
                                           R{"0", "5", 1, 2.0, "2", "1"}, R{"abc", "3", 1, 2.0, "2", "1"},
                                           R{"1.5", "-1", 1, 2.0, "2", "1"},
                                           // No rate at all: the history stays as it was.
                                           R{"1.5", "2", 0, 1.0, "1.5", "2"}, R{"1.5", "2", 1, 0.0, "1.5", "2"},
                                           R{"1.5", "2", 1, -1.0, "1.5", "2"},
                                           R{"1.5", "2", 1, std::numeric_limits<double>::infinity(), "1.5", "2"}));

class CommaLocale : public EstimatorTest {
protected:
    CommaLocale() : EstimatorTest(',') {}
};

TEST_F(CommaLocale, WritesTheAverageWithTheLocaleSeparatorAndReadsItBack) {
    Record(2, 1.5);
    EXPECT_EQ(Data(), "0,75");
    power.percent = 100;
    EXPECT_EQ(estimator.EstimateRemainingTime(), "1:15");
}

TEST_F(EstimatorTest, RemainingTimeComesFromTheSystemUnlessItHasNone) {
    Store("1.5", "2");
    power.percent = 85;
    power.lifeTime = 5025;
    EXPECT_EQ(estimator.GetRemainingTime(), "1:23:45");
    power.lifeTime = -1;
    EXPECT_EQ(estimator.GetRemainingTime(), "2:08");
}

struct SamplingCase {
    const char* previousStatus;
    const char* previousAC;
    std::int16_t percent;
    double awakeSeconds;
    double asleepSeconds;
    bool withLastUpdate;
    const char* dataAfter;
};

class Sampling : public EstimatorTest, public ::testing::WithParamInterface<SamplingCase> {};

TEST_P(Sampling, TakesASampleOnlyForAFallOnBatteryWhileAwake) {
    const auto& c = GetParam();
    FakeClock clock;
    clock.wall = 86400 - 30;  // the interval may pass midnight
    const double previousAwake = clock.awake;
    const auto lastUpdate = static_cast<std::int32_t>(clock.wall);
    clock.advanceSeconds(c.awakeSeconds);
    clock.suspendFor(c.asleepSeconds);
    if (clock.wall >= 86400) clock.wall -= 86400;
    power.percent = c.percent;
    RunSamplingStep(estimator, power, c.previousStatus, c.previousAC, previousAwake, clock,
                    c.withLastUpdate ? std::optional(lastUpdate) : std::nullopt);
    EXPECT_EQ(Data(), c.dataAfter);
}

using S = SamplingCase;
INSTANTIATE_TEST_SUITE_P(
    Table, Sampling,
    ::testing::Values(S{"85%", "Off", 83, 90, 0, true, "0.75"},
                      S{"85.5%", "Off", 83, 90, 0, true, "0.75"},  // 2.5 points fall to 2
                      S{"85%", "On", 83, 90, 0, true, Missing}, S{"85%", "Charging", 83, 90, 0, true, Missing},
                      S{"85%", "Off", 85, 90, 0, true, Missing}, S{"85%", "Off", 255, 90, 0, true, Missing},
                      S{"No Battery", "Off", 50, 90, 0, true, Missing}, S{"85%", "Off", 83, 0, 0, true, Missing},
                      // Asleep for an hour: the charge lost then says nothing about the rate.
                      S{"85%", "Off", 83, 60, 3600, true, Missing},
                      // Without the wall clock only the awake minute counts; a short gap is tolerated.
                      S{"85%", "Off", 83, 60, 3600, false, "0.5"}, S{"85%", "Off", 83, 60, 20, true, "0.5"},
                      // The battery vanished between two reads of the previous refresh.
                      S{"255%", "Off", 80, 90, 0, true, Missing},
                      // The wall clock jumps while the machine stays awake: set back an hour
                      // (the end of summer time), forward an hour, back a few seconds (a time
                      // server's correction). Samples come from the awake clock or not at all.
                      S{"85%", "Off", 83, 90, -3600, true, Missing}, S{"85%", "Off", 83, 90, 3600, true, Missing},
                      S{"85%", "Off", 83, 90, -5, true, "0.75"}));

}  // namespace

namespace {

TEST(SystemClock, GivesTimeOfDayAndAnAwakeClockThatNeverRunsBack) {
    SystemClock clock;
    const double t = clock.SecondsSinceMidnight();
    EXPECT_GE(t, 0.0);
    EXPECT_LT(t, 86401.0);
    const double a = clock.AwakeSeconds();
    EXPECT_LE(a, clock.AwakeSeconds());
}

}  // namespace
