// SPDX-License-Identifier: GPL-3.0-or-later
#include "modBatteryStuff.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/FakeClock.h"
#include "support/FakePowerSource.h"
#include "support/MemoryRegistry.h"

// A store whose size probe of a text says 2 bytes, too few as the ANSI call's may be (a text converted to UTF-8): a
// read of a longer text must ask again with the size it was given, rather than give nothing.
struct ShortProbe : MemoryRegistry {
    reg::Status QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override {
        const reg::Status status = MemoryRegistry::QueryValueEx(key, name, type, data, size);
        if (!data && status == reg::ERROR_SUCCESS && *type == reg::REG_SZ) *size = 2;
        return status;
    }
};

// The estimator over a Time Calc key in that store, writing fractions with a comma (as in a German locale); Stored()
// gives its Data and Count.
struct Estimator {
    Estimator() { registry.CreateRegistryKey(regkeys::TimeCalc, reg::Hive::CurrentUser); }
    std::string Text(const char* name) const { return backend.TextOf(reg::Hive::CurrentUser, regkeys::TimeCalc, name); }
    std::string Stored() const { return Text("Data") + " " + Text("Count"); }

    ShortProbe backend;
    modRegistry registry{backend, ','};
    FakePowerSource power;
    modBatteryStuff estimator{registry, power};
};

// A row: Data and Count stored ("-": none), a sample of a drop in so many minutes, the charge, then Data and Count
// after, and the time shown. A drop of 0 or less, or no time or less, is no rate: the history stays as it was. A charge
// of -1 shows no time, so the estimate does not set the count back itself.
TEST(Estimator, FoldsASampleIntoTheAverageAndTurnsItIntoATimeText) {
    for (const char* row :
         {// No sample (a drop of 0): the history alone gives the time.
          "1.5 0 0 1 85 1.5 0 No Info", "0 5 0 1 85 0 5 No Info", "1 3 0 1 70 1 3 1:10", "15.1 3 0 1 100 15.1 3 25:10",
          "1 3 0 1 255 1 3 4:15", "1,5 1 0 1 86 1,5 1 2:09", "1.5 10000 0 1 85 1.5 9850 2:08",
          "0 10000 0 1 85 0 10000 No Info", "abc 3 0 1 85 abc 3 No Info", "1.5 -2 0 1 85 1.5 -2 No Info",
          "1.5 40000 0 1 85 1.5 40000 No Info", "1.5 32767 0 1 85 1.5 32767 No Info", "1.5 32766 0 1 85 1.5 9850 2:08",
          "1.5 9999 0 1 85 1.5 9999 2:08", "-1.5 3 0 1 85 -1.5 3 No Info",
          // A sample folded in, or refused.
          "- - 2 1.5 0 0,75 1 0:00", "1.5 0 1 3 10 3 1 0:30", "2 10000 1 10003 -1 3 9850 No Info",
          "0 5 1 2 10 2 1 0:20", "1.5 -1 1 2 10 2 1 0:20", "1.5 2 1 0 10 1.5 2 0:15", "1.5 3 -1 1 85 1.5 3 2:08",
          "1.5 3 1 -0.5 85 1.5 3 2:08", "1.5 3 1 1e-40 85 1.5 3 2:08", "-1.5 3 1 2 10 2 1 0:20",
          "dword:3 2 0 1 10 <missing> 2 0:30"}) {
        std::istringstream in(row);
        std::string data, count, dataAfter, countAfter, time;
        std::int16_t drop = 0;
        double minutes = 0;
        Estimator e;
        in >> data >> count >> drop >> minutes >> e.power.percent >> dataAfter >> countAfter >> std::ws;
        std::getline(in, time);
        for (const auto& [name, text] : {std::pair{"Data", data}, std::pair{"Count", count}})
            if (text.starts_with("dword:"))  // as the registry editor may have left it
                e.backend.Put(reg::Hive::CurrentUser, regkeys::TimeCalc, name,
                              {reg::REG_DWORD, {static_cast<std::uint8_t>(std::stoi(text.substr(6))), 0, 0, 0}});
            else if (text != "-")
                e.backend.PutText(reg::Hive::CurrentUser, regkeys::TimeCalc, name, text);
        e.estimator.RecordDischargeSample(drop, minutes);
        EXPECT_EQ(e.estimator.GetRemainingTime(), time) << row;
        EXPECT_EQ(e.Stored(), dataAfter + " " + countAfter) << row;
    }
}

// A row: the AC text the previous refresh left, the charge now, seconds awake and asleep since, whether the wall clock
// of that refresh is known, the average learned ("-": none), and the previous status text; from 30 s before midnight.
// Asleep for an hour; without the wall clock only the awake minute counts; a gap of up to a minute is tolerated; the
// wall clock set back to the previous refresh itself or to a second before it, or forward an hour.
TEST(Estimator, SamplesOnlyAFallOnBatteryWhileAwake) {
    for (const char* row :
         {"Off 83 90 0 1 0,75 85%", "Off 83 90 0 1 0,75 85.5%", "On 83 90 0 1 - 85%", "Charging 83 90 0 1 - 85%",
          "Off 85 90 0 1 - 85%", "Off 255 90 0 1 - 85%", "Off 50 90 0 1 - No Battery", "Off 83 0 0 1 - 85%",
          "Off 80 90 0 1 - 255%", "Off 83 60 3600 1 - 85%", "Off 83 60 3600 0 0,5 85%", "Off 83 60 60 1 0,5 85%",
          "Off 83 60 61 1 - 85%", "Off 83 90 -91 1 - 85%", "Off 83 90 3600 1 - 85%", "Off 83 90 -90 1 0,75 85%",
          "Off 98 90 0 1 0,75 100%", "Off 83 90 0 1 - 101%", "Off 0 90 0 1 1,5 1%",
          // Two points in one second awake.
          "Off 83 1 0 1 0,00833333333333333 85%"}) {
        std::istringstream in(row);
        std::string ac, learned, status;
        bool wallKnown = false;
        Estimator e;
        FakeClock clock;  // awake since the previous refresh; asleep, then the wall clock
        in >> ac >> e.power.percent >> clock.awake >> clock.wall >> wallKnown >> learned >> std::ws;
        std::getline(in, status);
        clock.wall = std::fmod(86370 + clock.awake + clock.wall, 86400);
        RunSamplingStep(e.estimator, e.power, status, ac, 0, clock, wallKnown ? std::optional(86370) : std::nullopt);
        EXPECT_EQ(e.Stored(), learned == "-" ? "<missing> <missing>" : learned + " 1") << row;
    }
}
