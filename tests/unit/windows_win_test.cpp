// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows back ends: the power values as GetSystemPowerStatus gives them, the named mutex that tells a second copy
// of the program from the first, and the shell calls the About dialog's launching uses.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/TempDir.h"
#include "windows/WinPowerStatus.h"
#include "windows/WinShell.h"
#include "windows/WinSingleInstance.h"

#include <windows.h>

namespace {

namespace fs = std::filesystem;
using Values = std::array<std::int32_t, 4>;

Values Read(PowerSource& s) { return {s.ACStatus(), s.BatteryStatus(), s.BatteryLifePercent(), s.BatteryLifeTime()}; }

WinPowerStatus::Raw answer;  // what the system answers; a failed call leaves it behind, not to be read
bool Answer(WinPowerStatus::Raw* out) { return *out = answer, answer.batteryFlag != 3; }

TEST(PowerStatus, AnswersReadAsTheirWindowsConventionsAndAFailedCallIsAFailedRead) {
    using Case = std::pair<WinPowerStatus::Raw, Values>;
    for (const auto& [raw, expected] :
         {Case{{0, 2, 23, 4500}, {0, 2, 23, 4500}}, Case{{1, 128, 255, ~0u}, {1, 128, 255, -1}},
          Case{{0, 1, 100, 0x7FFFFFFF}, {0, 1, 100, 0x7FFFFFFF}},
          Case{{0, 1, 100, 0x80000000}, {0, 1, 100, -1}}}) {  // no time, not a negative one
        answer = raw;
        WinPowerStatus status(&Answer);
        EXPECT_EQ(Read(status), expected);
    }
    answer = {1, 3, 50, 60};
    EXPECT_THROW(WinPowerStatus(&Answer).ACStatus(), PowerReadError);
    EXPECT_THROW(WinPowerStatus(&Answer).BatteryLifeTime(), PowerReadError);
}

// Under Wine, GetSystemPowerStatus reads /sys/class/power_supply, which CTest fakes with umockdev (tests/data/umockdev)
// and names in VOLTARA_FAKED_BATTERY. Discharging: 2.1 Ah of 5 Ah at 12 V, drawing 1.5 A: 42 %, 25.2 Wh / 18 W.
TEST(PowerStatus, FakedBatteryThroughTheRealCall) {
    const std::string scenario = std::getenv("VOLTARA_FAKED_BATTERY") ? std::getenv("VOLTARA_FAKED_BATTERY") : "";
    if (scenario.empty()) GTEST_SKIP() << "no faked battery";
    WinPowerStatus status;
    EXPECT_EQ(Read(status), scenario == "discharging" ? Values{0, 0, 42, 5040}
                            : scenario == "charging"  ? Values{1, 9, 80, -1}
                                                      : Values{1, 128, 255, -1})
        << scenario;
}

TEST(NamedMutexInstance, FirstHoldsTheGuardUntilItEnds) {
    const std::string name = "Local\\Quillfen.VoltaraTest." + std::to_string(GetCurrentProcessId());
    {
        NamedMutexInstance first(name), second(name);
        EXPECT_FALSE(first.AnotherCopyRuns());
        EXPECT_FALSE(first.AnotherCopyRuns());  // asking again does not find itself
        EXPECT_TRUE(second.AnotherCopyRuns());
        EXPECT_TRUE(NamedMutexInstance(name).AnotherCopyRuns());  // a refused copy takes nothing with it when it ends
        EXPECT_TRUE(NamedMutexInstance(name).AnotherCopyRuns());
    }
    EXPECT_FALSE(NamedMutexInstance(name).AnotherCopyRuns());
}

TEST(WinShell, FindsTheProgramForHtmlDocumentsOnlyAndStartsItWithoutWaiting) {
    TempDir dir;
    std::ofstream(dir.path() / "temphtm.HTM") << "\"<HTML> <\\HTML>\"\r\n";
    std::ofstream(dir.path() / "x.voltaratest-none") << "x";
    EXPECT_TRUE(fs::is_regular_file(winshell::FindExecutableOf((dir.path() / "temphtm.HTM").string())));
    EXPECT_EQ(winshell::FindExecutableOf((dir.path() / "x.voltaratest-none").string()), "");
    EXPECT_EQ(winshell::FindExecutableOf((dir.path() / "missing.HTM").string()), "");

    const fs::path made = dir.path() / "made by cmd";
    ASSERT_TRUE(winshell::OpenWith("cmd.exe", "/c mkdir \"" + made.string() + "\"", nullptr));
    // The program runs on its own; give it time to do its one thing.
    for (int i = 0; i < 1200 && !fs::exists(made); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(fs::is_directory(made));
    EXPECT_FALSE(winshell::OpenWith((dir.path() / "no such program.exe").string(), "x", nullptr));
}

}  // namespace
