// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerSupplyMapping.h"
#include "support/PowerSupplyDump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>

void PrintTo(const PowerStatus& s, std::ostream* os) {
    *os << "{AC " << s.acStatus << ", flags " << s.batteryStatus << ", " << s.batteryLifePercent << "%, "
        << s.batteryLifeTime << " s}";
}

namespace {

const std::filesystem::path kDumps = std::filesystem::path(VOLTARA_TEST_DATA) / "power_supply";

// Sets an attribute of the named supply, adding the supply if the dump lacks it. Many dumps
// are uevent files of kernels that left TYPE out, or excerpts of a few attributes.
struct Patch {
    std::string supply, attribute, value;
};

void Apply(std::vector<PowerSupply>& supplies, const std::vector<Patch>& patches) {
    for (const auto& p : patches) {
        auto it = std::find_if(supplies.begin(), supplies.end(), [&](auto& s) { return s.name == p.supply; });
        if (it == supplies.end()) it = supplies.insert(supplies.end(), PowerSupply{p.supply, {}});
        it->attributes[p.attribute] = p.value;
    }
}

struct DumpCase {
    std::string label;
    std::vector<std::string> files;
    std::vector<Patch> patches;
    PowerStatus expected;  // AC, flags, percent, seconds
};

void PrintTo(const DumpCase& c, std::ostream* os) { *os << c.label; }

std::int32_t ValueOf(const PowerStatus& s, unsigned value) {
    switch (value) {
        case powervalue::ACStatus: return s.acStatus;
        case powervalue::BatteryStatus: return s.batteryStatus;
        case powervalue::BatteryLifePercent: return s.batteryLifePercent;
        default: return s.batteryLifeTime;
    }
}

// A source asked for one value reads only the attributes said to feed it; that must give
// what reading everything gives.
void ExpectEachValueFromItsOwnAttributes(const std::vector<PowerSupply>& supplies) {
    const PowerStatus whole = MapPowerSupplies(supplies);
    for (unsigned value = 1; value < powervalue::All; value <<= 1) {
        std::vector<PowerSupply> part;
        for (const auto& supply : supplies) {
            PowerSupply& kept = part.emplace_back(PowerSupply{supply.name, {}});
            for (const char* identity : {"type", "scope"})
                if (supply.attributes.count(identity)) kept.attributes[identity] = supply.attributes.at(identity);
            for (const auto& use : AttributesUsed(kept.attributes["type"], kept.attributes["scope"]))
                if ((use.values & value) && supply.attributes.count(use.name))
                    kept.attributes[use.name] = supply.attributes.at(use.name);
        }
        EXPECT_EQ(ValueOf(MapPowerSupplies(part), value), ValueOf(whole, value)) << "value bit " << value;
    }
}

const std::vector<DumpCase> kDumpCases = {
    // Old PowerPC driver with type Unknown: not a battery, as for UPower.
    {"ibook", {"apple-ibook-pmu_battery_0.uevent"}, {}, {255, 128, 255, -1}},
    // The excerpt names no types; the stale USB source must lose to the draining battery.
    {"asahi",
     {"apple-macbookair-m2-asahi-macsmc.uevent"},
     {{"tps6598x-source-psy-0-0038", "type", "USB"},
      {"macsmc-ac", "type", "Mains"},
      {"macsmc-battery", "type", "Battery"}},
     {0, 255, 255, -1}},
    {"macbook unplugged, sbs-charger online for ever",
     {"apple-macbookpro-2017-sbs-charger.uevent"},
     {{"ADP1", "online", "0"},
      {"sbs-charger", "online", "1"},
      {"BAT0", "status", "Discharging"},
      {"BAT0", "capacity", "80"},
      {"BAT0", "energy_now", "40000000"},
      {"BAT0", "energy_full", "50000000"},
      {"BAT0", "power_now", "8000000"}},
     {0, 1, 80, 18000}},
    {"macbook plugged in",
     {"apple-macbookpro-2017-sbs-charger.uevent"},
     {{"ADP1", "online", "1"},
      {"sbs-charger", "online", "1"},
      {"BAT0", "status", "Charging"},
      {"BAT0", "capacity", "20"}},
     {1, 10, 20, -1}},
    {"asus full with current", {"asus-c300-chromebook-BAT0.uevent"}, {{"BAT0", "type", "Battery"}}, {1, 1, 100, -1}},
    {"dell charging", {"dell-PN1VN08-BAT0.uevent"}, {}, {1, 9, 98, -1}},
    {"dell full with 1 mA", {"dell-TP1GT61-BAT0.uevent"}, {{"BAT0", "type", "Battery"}}, {1, 1, 100, -1}},
    {"usb-c port offline, no battery", {"dell-xps13-ucsi-source-psy-USBC000-001.uevent"}, {}, {0, 128, 255, -1}},
    {"dell not charging at threshold", {"dell-xps15-9560-GPM0365-BAT0-AC.uevent"}, {}, {1, 1, 94, -1}},
    {"usb-c pd charger online", {"google-chromebook-ucsi-source-psy-cros_ec_ucsi.uevent"}, {}, {1, 128, 255, -1}},
    {"discharging at rate 0",
     {"lenovo-LNV-45N1-BAT0-deepin-sample.uevent"},
     {{"BAT0", "type", "Battery"}},
     {0, 1, 100, -1}},
    {"energy above full, no adapter",
     {"lenovo-thinkpad-42T4969-BAT1.uevent"},
     {{"BAT1", "type", "Battery"}},
     {255, 1, 100, -1}},
    {"energy above full, on AC",
     {"lenovo-thinkpad-42T4969-BAT1.uevent"},
     {{"BAT1", "type", "Battery"}, {"AC", "type", "Mains"}, {"AC", "online", "1"}},
     {1, 1, 100, -1}},
    {"empty pack", {"lenovo-thinkpad-45N1041-BAT1.uevent"}, {{"BAT1", "type", "Battery"}}, {255, 6, 0, -1}},
    {"thinkpad on battery", {"lenovo-thinkpad-45N1153-BAT0.uevent"}, {}, {0, 1, 68, 10812}},
    {"two packs, one empty",
     {"lenovo-thinkpad-45N1153-BAT0.uevent", "lenovo-thinkpad-45N1041-BAT1.uevent"},
     {{"BAT1", "type", "Battery"}},
     {0, 0, 47, 10812}},
    {"not charging, no capacity file",
     {"lenovo-thinkpad-x1extreme-5B10V98091-BAT0.uevent"},
     {{"BAT0", "type", "Battery"}},
     {1, 1, 94, -1}},
    {"mouse batteries only", {"logitech-g903-hidpp_battery.uevent"}, {}, {255, 128, 255, -1}},
    {"charge_full 0",
     {"unknown-notebook-it8568-0-deepin-sample.uevent"},
     {{"it8568-0", "type", "Battery"}},
     {1, 9, 96, -1}},
};

class RealDumps : public ::testing::TestWithParam<DumpCase> {};

TEST_P(RealDumps, GiveTheirExpectedValues) {
    std::vector<PowerSupply> supplies;
    for (const auto& file : GetParam().files) {
        auto more = LoadPowerSupplyDump(kDumps / file);
        supplies.insert(supplies.end(), more.begin(), more.end());
    }
    Apply(supplies, GetParam().patches);
    EXPECT_EQ(MapPowerSupplies(supplies), GetParam().expected);
    ExpectEachValueFromItsOwnAttributes(supplies);
}

INSTANTIATE_TEST_SUITE_P(PowerSupply, RealDumps, ::testing::ValuesIn(kDumpCases));

TEST(RealDumpsTable, CoversEveryDump) {
    std::set<std::string> listed;
    for (const auto& c : kDumpCases) listed.insert(c.files.begin(), c.files.end());
    int dumps = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDumps)) {
        if (entry.path().extension() != ".uevent") continue;
        ++dumps;
        EXPECT_TRUE(listed.count(entry.path().filename().string())) << entry.path().filename();
    }
    EXPECT_EQ(dumps, 16);
}

// Hand-made supplies for the rules the dumps do not reach.
PowerSupply Battery(std::map<std::string, std::string> attributes) {
    attributes.emplace("type", "Battery");
    return {"BAT", std::move(attributes)};
}

PowerSupply Adapter(const char* online, const char* type = "Mains") {
    return {"AC", {{"type", type}, {"online", online}}};
}

struct MappingCase {
    std::string label;
    std::vector<PowerSupply> supplies;
    PowerStatus expected;
};

void PrintTo(const MappingCase& c, std::ostream* os) { *os << c.label; }

const char* const kMax = "9223372036854775807";

const std::vector<MappingCase> kMappingCases = {
    {"battery with no other file", {Battery({})}, {255, 255, 255, -1}},
    {"removed battery", {Battery({{"present", "0"}, {"capacity", "50"}})}, {255, 128, 255, -1}},
    {"mouse charging beside a draining battery",
     {{"mouse", {{"type", "Battery"}, {"scope", "Device"}, {"status", "Charging"}, {"online", "1"}}},
      Battery({{"status", "Discharging"}, {"capacity", "50"}})},
     {0, 0, 50, -1}},
    {"usb-pd online 2", {Adapter("2", "USB_PD"), Battery({{"capacity", "50"}})}, {1, 0, 50, -1}},
    {"unreadable online is no adapter",
     {Adapter("x"), Battery({{"status", "Full"}, {"capacity", "99"}})},
     {1, 1, 99, -1}},
    {"draining battery beats an online adapter",
     {Adapter("1"), Battery({{"status", "Discharging"}, {"capacity", "40"}, {"current_now", "-1"}})},
     {0, 0, 40, -1}},
    {"idle draining battery does not",
     {Adapter("1"), Battery({{"status", "Discharging"}, {"capacity", "40"}})},
     {1, 0, 40, -1}},
    {"garbage capacity, energy",
     {Battery({{"capacity", "abc"}, {"energy_now", "3"}, {"energy_full", "6"}})},
     {255, 0, 50, -1}},
    {"negative capacity, nothing else", {Battery({{"capacity", "-5"}})}, {255, 6, 0, -1}},
    {"capacity a little above 100", {Battery({{"capacity", "104"}})}, {255, 1, 100, -1}},
    {"capacity far above 100 beside energy",
     {Battery({{"capacity", "250"}, {"energy_now", "3"}, {"energy_full", "6"}})},
     {255, 1, 100, -1}},
    {"charge at a wrong scale",
     {Battery({{"charge_now", "34067000"}, {"charge_full", "5225000"}})},
     {255, 255, 255, -1}},
    {"full of zero",
     {Battery({{"energy_now", "5"}, {"energy_full", "0"}, {"charge_now", "5"}, {"charge_full", "0"}})},
     {255, 255, 255, -1}},
    {"charge pack weighed with design voltage",
     {Battery({{"energy_now", "20000000"}, {"energy_full", "40000000"}}), Battery({{"charge_now", "1000000"},
                                                                                   {"charge_full", "4000000"},
                                                                                   {"voltage_min_design", "10000000"},
                                                                                   {"voltage_now", "15000000"}})},
     {255, 0, 37, -1}},
    {"packs without sizes: mean", {Battery({{"capacity", "90"}}), Battery({{"capacity", "31"}})}, {255, 0, 60, -1}},
    {"critical while charging", {Battery({{"status", "Charging"}, {"capacity", "4"}})}, {1, 14, 4, -1}},
    {"33 is not low", {Battery({{"capacity", "33"}})}, {255, 0, 33, -1}},
    {"a mean of 66 is not high", {Battery({{"capacity", "33"}}), Battery({{"capacity", "99"}})}, {255, 0, 66, -1}},
    {"rate from current and voltage",
     {Battery({{"status", "Discharging"},
               {"charge_now", "2000000"},
               {"charge_full", "4000000"},
               {"voltage_min_design", "10000000"},
               {"voltage_now", "12000000"},
               {"current_now", "-1500000"}})},
     {0, 0, 50, 4800}},  // 2 Ah / 1.5 A, whatever voltage converts both
    {"charge packs of different voltages, one draining",
     {Battery({{"status", "Discharging"},
               {"charge_now", "2000000"},
               {"charge_full", "4000000"},
               {"voltage_min_design", "10000000"},
               {"voltage_now", "12000000"},
               {"current_now", "-1000000"}}),
      Battery({{"status", "Unknown"},
               {"charge_now", "3000000"},
               {"charge_full", "3000000"},
               {"voltage_min_design", "15000000"},
               {"current_now", "0"}})},
     {0, 1, 76, 23400}},  // (20 + 45) Wh at 1 A x 10 V
    {"no rate: the battery's own estimate",
     {Battery({{"status", "Discharging"}, {"capacity", "50"}, {"power_now", "0"}, {"time_to_empty_now", "5400"}})},
     {0, 0, 50, 5400}},
    {"65535 minutes is unknown",
     {Battery({{"status", "Discharging"}, {"capacity", "50"}, {"time_to_empty_now", "3932100"}})},
     {0, 0, 50, -1}},
    {"65535 is unknown, the average is not",
     {Battery({{"status", "Discharging"},
               {"capacity", "50"},
               {"time_to_empty_now", "65535"},
               {"time_to_empty_avg", "7200"}})},
     {0, 0, 50, 7200}},
    {"largest numbers",
     {Battery({{"status", "Discharging"},
               {"capacity", "99999999999999999999"},
               {"energy_now", kMax},
               {"energy_full", kMax},
               {"power_now", "-9223372036854775808"}})},
     {0, 1, 100, 3600}},
    {"run time beyond 32 bits",
     {Battery({{"status", "Discharging"},
               {"capacity", "50"},
               {"energy_now", kMax},
               {"energy_full", kMax},
               {"power_now", "1"}})},
     {0, 0, 50, -1}},
};

class Mapping : public ::testing::TestWithParam<MappingCase> {};

TEST_P(Mapping, GivesTheWindowsValues) {
    EXPECT_EQ(MapPowerSupplies(GetParam().supplies), GetParam().expected);
    ExpectEachValueFromItsOwnAttributes(GetParam().supplies);
}

INSTANTIATE_TEST_SUITE_P(PowerSupply, Mapping, ::testing::ValuesIn(kMappingCases));

}  // namespace
