// SPDX-License-Identifier: GPL-3.0-or-later
// The power values as GetSystemPowerStatus gives them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "windows/WinPowerStatus.h"

namespace {

struct Values {
    std::int16_t ac, battery, percent;
    std::int32_t time;
    bool operator==(const Values&) const = default;
};

void PrintTo(const Values& v, std::ostream* os) {
    *os << "{AC " << v.ac << ", battery " << v.battery << ", " << v.percent << " %, " << v.time << " s}";
}

Values Read(PowerSource& source) {
    return {source.ACStatus(), source.BatteryStatus(), source.BatteryLifePercent(), source.BatteryLifeTime()};
}

// What the system answers in the table-driven case.
WinPowerStatus::Raw answer;
bool Answer(WinPowerStatus::Raw* out) {
    *out = answer;
    return true;
}
bool Fail(WinPowerStatus::Raw* out) {
    out->acLineStatus = 1;  // whatever a failed call leaves behind is not to be read
    out->batteryLifeTime = 60;
    return false;
}

struct Raw {
    std::uint8_t ac, flag, percent;
    std::uint32_t seconds;
    Values expected;
};

class Answers : public testing::TestWithParam<Raw> {};

TEST_P(Answers, ReadAsTheirWindowsConventions) {
    const Raw& raw = GetParam();
    answer = WinPowerStatus::Raw{raw.ac, raw.flag, raw.percent, raw.seconds};
    WinPowerStatus status(&Answer);
    EXPECT_EQ(Read(status), raw.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PowerStatus, Answers,
    testing::Values(Raw{0, 2, 23, 4500, {0, 2, 23, 4500}},                // on battery, low
                    Raw{1, 128, 255, 0xFFFFFFFF, {1, 128, 255, -1}},      // no battery, time unknown
                    Raw{0, 1, 100, 0x7FFFFFFF, {0, 1, 100, 0x7FFFFFFF}},  // the longest time there is
                    Raw{0, 1, 100, 0x80000000, {0, 1, 100, -1}}));        // no time, not a negative one

TEST(PowerStatus, FailedCallIsAFailedRead) {
    WinPowerStatus status(&Fail);
    EXPECT_THROW(status.ACStatus(), PowerReadError);
    EXPECT_THROW(status.BatteryLifeTime(), PowerReadError);
}

// Under Wine, GetSystemPowerStatus reads /sys/class/power_supply, which CTest fakes with
// umockdev (tests/data/umockdev) and names in VOLTARA_FAKED_BATTERY.
TEST(PowerStatus, FakedBatteryThroughTheRealCall) {
    const char* scenario = std::getenv("VOLTARA_FAKED_BATTERY");
    if (!scenario) GTEST_SKIP() << "no faked battery";
    const std::pair<std::string, Values> expected[] = {
        // 2.1 Ah of 5 Ah at 12 V, drawing 1.5 A: 42 %, 25.2 Wh / 18 W = 5040 s
        {"discharging", {0, 0, 42, 5040}},
        {"charging", {1, 9, 80, -1}},
        {"none", {1, 128, 255, -1}},
    };
    WinPowerStatus status;
    const auto it = std::find_if(std::begin(expected), std::end(expected),
                                 [&](const auto& entry) { return entry.first == scenario; });
    ASSERT_NE(it, std::end(expected)) << "unknown scenario " << scenario;
    EXPECT_EQ(Read(status), it->second);
}

}  // namespace
