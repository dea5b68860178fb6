// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows back ends: the power values as GetSystemPowerStatus gives them, and the named mutex that tells a second
// copy of the program from the first.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "windows/WinPowerStatus.h"
#include "windows/WinSingleInstance.h"

#include <windows.h>

using Values = std::array<std::int32_t, 4>;

Values Read(PowerSource& s) { return {s.ACStatus(), s.BatteryStatus(), s.BatteryLifePercent(), s.BatteryLifeTime()}; }

// What the system answers; a battery flag of 3 stands for a failed call, which leaves its answer behind unread.
WinPowerStatus::Raw answer;
bool Answer(WinPowerStatus::Raw* out) { return *out = answer, answer.batteryFlag != 3; }

// Under Wine, GetSystemPowerStatus reads /sys/class/power_supply, which CTest fakes with umockdev (tests/data/umockdev)
// and names in VOLTARA_FAKED_BATTERY. Discharging: 2.1 Ah of 5 Ah at 12 V, drawing 1.5 A: 42 %, 25.2 Wh / 18 W.
TEST(PowerStatus, ReadsTheWindowsConventions) {
    using Case = std::pair<WinPowerStatus::Raw, Values>;
    WinPowerStatus status(&Answer);  // asks anew at every read
    for (const auto& [raw, expected] :
         {Case{{0, 2, 23, 4500}, {0, 2, 23, 4500}}, Case{{1, 128, 255, ~0u}, {1, 128, 255, -1}},
          Case{{0, 1, 100, 0x7FFFFFFF}, {0, 1, 100, 0x7FFFFFFF}},
          Case{{0, 1, 100, 0x80000000}, {0, 1, 100, -1}}})  // no time, not a negative one
        EXPECT_EQ((answer = raw, Read(status)), expected);
    answer = {1, 3, 50, 60};
    EXPECT_THROW(status.BatteryLifeTime(), PowerReadError);

    const std::string scenario = std::getenv("VOLTARA_FAKED_BATTERY") ? std::getenv("VOLTARA_FAKED_BATTERY") : "";
    const Values faked = scenario == "discharging" ? Values{0, 0, 42, 5040}
                         : scenario == "charging"  ? Values{1, 9, 80, -1}
                                                   : Values{1, 128, 255, -1};
    EXPECT_TRUE(scenario.empty() || Read(*std::make_unique<WinPowerStatus>()) == faked) << scenario;
}

TEST(NamedMutexInstance, FirstHoldsTheGuardUntilItEnds) {
    const std::string name = "Local\\Quillfen.VoltaraTest." + std::to_string(GetCurrentProcessId());
    {
        // Asking again does not find itself; a refused copy takes nothing with it when it ends.
        NamedMutexInstance first(name), second(name);
        EXPECT_EQ((std::vector{first.AnotherCopyRuns(), first.AnotherCopyRuns(), second.AnotherCopyRuns(),
                               NamedMutexInstance(name).AnotherCopyRuns(), NamedMutexInstance(name).AnotherCopyRuns()}),
                  (std::vector{false, false, true, true, true}));
    }
    EXPECT_FALSE(NamedMutexInstance(name).AnotherCopyRuns());
}
