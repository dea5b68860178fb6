#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "power/StatusComposition.h"
#include "support/FakePowerSource.h"

namespace {

struct PowerState {
    std::int16_t status;
    std::int16_t percent;
    std::int16_t ac;
    std::int32_t lifeTime = -1;
};

FakePowerSource SourceFor(const PowerState& s) {
    FakePowerSource power;
    power.status = s.status;
    power.percent = s.percent;
    power.ac = s.ac;
    power.lifeTime = s.lifeTime;
    return power;
}

struct ClassifyCase {
    PowerState state;
    std::string text;
    std::int16_t icon;
    std::int16_t bar;
};

class ClassifyStatusTest : public testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyStatusTest, ChoosesTextIconAndBar) {
    const ClassifyCase& c = GetParam();
    FakePowerSource power = SourceFor(c.state);
    const StatusClassification result = ClassifyStatus(power);
    EXPECT_EQ(result.statusText, c.text);
    EXPECT_EQ(result.iconNumber, c.icon);
    EXPECT_EQ(result.barPercent, c.bar);
}

INSTANTIATE_TEST_SUITE_P(
    States, ClassifyStatusTest,
    testing::Values(
        // present, not charging: bands of ten
        ClassifyCase{{1, 85, 0}, "85%", 1091, 85}, ClassifyCase{{1, 100, 0}, "100%", 1101, 100},
        ClassifyCase{{2, 10, 0}, "10%", 1011, 10}, ClassifyCase{{2, 11, 0}, "11%", 1021, 11},
        ClassifyCase{{4, 0, 0}, "0%", 1011, 0}, ClassifyCase{{0, 20, 1}, "20%", 1021, 20},
        ClassifyCase{{0, 21, 1}, "21%", 1031, 21}, ClassifyCase{{7, 90, 0}, "90%", 1091, 90},
        ClassifyCase{{7, 91, 0}, "91%", 1101, 91}, ClassifyCase{{-3, 55, 0}, "55%", 1061, 55},
        // a charge outside 0..100 has no icon
        ClassifyCase{{1, 101, 0}, "101%", 0, 101}, ClassifyCase{{1, 255, 0}, "255%", 0, 255},
        ClassifyCase{{1, -1, 0}, "-1%", 0, -1},
        // charging
        ClassifyCase{{8, 85, 1}, "Charging - 85%", 1211, 85}, ClassifyCase{{9, 100, 1}, "100%", 1201, 100},
        ClassifyCase{{127, 0, 0}, "Charging - 0%", 1211, 0},
        // no battery, unknown state, out of range
        ClassifyCase{{128, 100, 1}, "No Battery", 1301, 0}, ClassifyCase{{255, 100, 1}, "AC Power", 1201, 0},
        ClassifyCase{{255, 50, 0}, "Unknown", 1301, 0}, ClassifyCase{{129, 50, 255}, "Unknown", 1301, 0},
        ClassifyCase{{256, 50, 1}, "", 0, 0}, ClassifyCase{{32767, 50, 1}, "", 0, 0}));

struct LabelsCase {
    PowerState state;
    std::string tooltip;
    std::string batteryStatus;
    std::string batteryTime;
    std::string ac;
};

class StatusLabelsTest : public testing::TestWithParam<LabelsCase> {};

// The three value labels as a refresh composes them, with a stand-in for the
// estimator where the system reports no remaining time.
TEST_P(StatusLabelsTest, ComposesTheValueLabels) {
    const LabelsCase& c = GetParam();
    FakePowerSource power = SourceFor(c.state);
    int remainingTimeCalls = 0;
    const auto remainingTime = [&] {
        ++remainingTimeCalls;
        return power.lifeTime == -1 ? std::string("estimate") : FormatLifeTime(power.lifeTime);
    };

    const StatusClassification status = ClassifyStatus(power);
    const std::string batteryStatus = BatteryStatusText(status.statusText, power);
    const std::string batteryTime = BatteryTimeText(batteryStatus, remainingTime);
    EXPECT_EQ(status.statusText, c.tooltip);
    EXPECT_EQ(batteryStatus, c.batteryStatus);
    EXPECT_EQ(batteryTime, c.batteryTime);
    EXPECT_EQ(remainingTimeCalls, c.batteryTime == "Unknown" ? 0 : 1);
    EXPECT_EQ(ACText(status.statusText, power), c.ac);
}

INSTANTIATE_TEST_SUITE_P(
    States, StatusLabelsTest,
    testing::Values(LabelsCase{{8, 85, 1, 5025}, "Charging - 85%", "85%", "1:23:45", "Charging"},
                    LabelsCase{{8, 100, 1}, "100%", "100%", "estimate", "On"},
                    LabelsCase{{1, 85, 0, 3723}, "85%", "85%", "1:2:3", "Off"},
                    LabelsCase{{1, 40, 255, 0}, "40%", "40%", "0:0:0", "On"},
                    LabelsCase{{255, 50, 1, 5025}, "AC Power", "AC Power", "Unknown", "On"},
                    LabelsCase{{255, 50, 0, 5025}, "Unknown", "Unknown", "Unknown", "Off"},
                    LabelsCase{{128, 0, 1, 59}, "No Battery", "No Battery", "0:0:59", "On"},
                    LabelsCase{{128, 0, 0}, "No Battery", "No Battery", "estimate", "Off"}));

TEST(StatusComposition, BatteryStatusTextReadsTheChargeOfItsMoment) {
    FakePowerSource power;
    power.percent = 86;
    EXPECT_EQ(BatteryStatusText("Charging - 85%", power), "86%");
    EXPECT_EQ(BatteryStatusText("85%", power), "85%");
}

TEST(StatusComposition, CompactTooltipJoinsTheThreeLabels) {
    EXPECT_EQ(CompactTooltip("85%", "1:23:45", "Off"), "Status: 85% | Time: 1:23:45 | AC: Off");
}

TEST(StatusComposition, BarWidthFollowsTheChargeWithinItsTrack) {
    const struct {
        float container;
        std::int16_t percent;
        float width;
    } cases[] = {{2745, 85, 2333.25f}, {2745, 0, 0}, {2745, 100, 2745}, {2745, 33, 27.45f * 33},
                 {2745, 255, 2745}, {2745, -5, 0}, {0, 50, 0}, {-100, 50, 0}};
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(BarWidth(c.container, c.percent), c.width) << c.container << " at " << c.percent;
    }
}

TEST(StatusComposition, LifeTimeIsHoursMinutesSecondsUnpadded) {
    const std::pair<std::int32_t, std::string> cases[] = {
        {5025, "1:23:45"}, {3723, "1:2:3"},      {59, "0:0:59"},
        {0, "0:0:0"},      {3600, "1:0:0"},      {360000, "100:0:0"},
        {-5, "-0:0:5"},    {2147483647, "596523:14:7"},
        {-2147483647 - 1, "-596523:14:8"}};
    for (const auto& [seconds, text] : cases) EXPECT_EQ(FormatLifeTime(seconds), text) << seconds;
}

}  // namespace
