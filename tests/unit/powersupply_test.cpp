// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "PowerSupplyMapping.h"

namespace {

const std::filesystem::path kDumps = std::filesystem::path(VOLTARA_TEST_DATA) / "power_supply";

std::array<std::int32_t, 4> Values(const PowerStatus& s) {
    return {s.acStatus, s.batteryStatus, s.batteryLifePercent, s.batteryLifeTime};
}

std::size_t Select(std::vector<PowerSupply>& supplies, const std::string& name) {
    auto it = std::find_if(supplies.begin(), supplies.end(), [&](auto& s) { return s.name == name; });
    if (it == supplies.end()) it = supplies.insert(it, PowerSupply{name, {}});
    return static_cast<std::size_t>(it - supplies.begin());
}

// Reads the forms the collected dumps come in: uevent lines (DEVTYPE= or a second NAME starts the next supply),
// umockdev records (P: starts one, A: follows E:), name=value lines, /sys/class/power_supply/NAME/attribute:value
// lines and "NAME: a=b, c=d" summaries. A remark in () or [] at the end of a line is dropped.
void LoadDump(const std::string& file, std::vector<PowerSupply>& supplies) {
    static const std::regex remark(R"(\s+[\[(][^\[\]()]*[\])]$)"), sysfs("/sys/class/power_supply/([^/:]+)([/:])(.*)"),
        item(R"(\s*(?:POWER_SUPPLY_([A-Z0-9_]+)|([a-z0-9_]+))\s*[=:]\s*(.*?)(?:\\n)?\s*)");
    std::ifstream in(kDumps / file);
    EXPECT_TRUE(in) << file;
    auto next = [&] { return supplies.emplace_back(), supplies.size() - 1; };
    std::size_t current = supplies.size();  // none yet
    for (std::string line; std::getline(in, line);) {
        line = std::regex_replace(line, remark, "");
        if (line.starts_with("P: ") || line.starts_with("DEVTYPE=")) current = next();
        if (line.starts_with("E: ") || line.starts_with("A: ")) line.erase(0, 3);
        std::smatch m;
        bool summary = false;
        if (std::regex_match(line, m, sysfs)) current = Select(supplies, m[1]), summary = m[2] == ":", line = m[3];
        std::istringstream items(line);
        for (std::string text; std::getline(items, text, summary ? ',' : '\n');) {
            if (!std::regex_match(text, m, item)) continue;
            std::string key = m[1].matched ? m[1].str() : m[2].str(), value = m[3];
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
            const bool named = current < supplies.size() && !supplies[current].name.empty();
            if (current == supplies.size() || (key == "name" && named && supplies[current].name != value))
                current = next();
            (key == "name" ? supplies[current].name : supplies[current].attributes[key]) = value;
        }
    }
}

// A case: dump files to load, then "NAME:" to pick (or add) a supply and "attribute=value" to set one of it, then
// "->" and the four values expected.
void Check(const std::string& spec) {
    SCOPED_TRACE(spec);
    std::vector<PowerSupply> supplies;
    std::istringstream in(spec);
    std::size_t current = 0;
    for (std::string word; in >> word && word != "->";) {
        if (word.ends_with(".uevent"))
            LoadDump(word, supplies);
        else if (word.ends_with(':'))
            current = Select(supplies, word.substr(0, word.size() - 1));
        else
            supplies[current].attributes[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
    }
    std::array<std::int32_t, 4> expected;
    for (auto& value : expected) in >> value;
    const auto whole = Values(MapPowerSupplies(supplies));
    EXPECT_EQ(whole, expected);

    // A source asked for one value reads only the attributes said to feed it; that must give what reading everything
    // gives.
    for (unsigned i = 0; i < 4; ++i) {
        std::vector<PowerSupply> part;
        for (const auto& supply : supplies) {
            PowerSupply& kept = part.emplace_back(PowerSupply{supply.name, {}});
            for (const char* identity : {"type", "scope"})
                if (supply.attributes.count(identity)) kept.attributes[identity] = supply.attributes.at(identity);
            for (const auto& use : AttributesUsed(kept.attributes["type"], kept.attributes["scope"]))
                if ((use.values & (1u << i)) && supply.attributes.count(use.name))
                    kept.attributes[use.name] = supply.attributes.at(use.name);
        }
        EXPECT_EQ(Values(MapPowerSupplies(part))[i], whole[i]) << "value " << i;
    }
}

TEST(PowerSupply, RealDumpsGiveTheirExpectedValues) {
    std::ifstream in(kDumps / "expected.txt");
    std::set<std::string> listed, dumps;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        Check(line);
        std::istringstream words(line);
        for (std::string word; words >> word;)
            if (word.ends_with(".uevent")) listed.insert(word);
    }
    for (const auto& entry : std::filesystem::directory_iterator(kDumps))
        if (entry.path().extension() == ".uevent") dumps.insert(entry.path().filename().string());
    EXPECT_EQ(listed, dumps);
    EXPECT_EQ(dumps.size(), 16u);
}

// Supplies made by hand for the rules the dumps do not reach; each has a battery BAT besides those it names.
TEST(PowerSupply, MadeUpSuppliesGiveTheWindowsValues) {
    const char* const kCases[] = {
        "BAT: present=0 capacity=50 -> 255 128 255 -1", "AC: type=USB_PD online=2 BAT: capacity=50 -> 1 0 50 -1",
        "AC: type=Mains online=x BAT: status=Full capacity=99 -> 1 1 99 -1",  // an unreadable online is no adapter
        // An idle draining battery does not beat an online adapter.
        "AC: type=Mains online=1 BAT: status=Discharging capacity=40 -> 1 0 40 -1",
        "BAT: capacity=abc energy_now=3 energy_full=6 -> 255 0 50 -1", "BAT: capacity=104 -> 255 1 100 -1",
        "BAT: capacity=250 energy_now=3 energy_full=6 -> 255 1 100 -1",
        "BAT: charge_now=34067000 charge_full=5225000 -> 255 255 255 -1",  // charge at a wrong scale
        "BAT: energy_now=5 energy_full=0 charge_now=5 charge_full=0 -> 255 255 255 -1",
        // A charge pack weighed with its design voltage; packs without sizes: the mean.
        "BAT: energy_now=20000000 energy_full=40000000 C: type=Battery charge_now=1000000 charge_full=4000000 "
        "voltage_min_design=10000000 voltage_now=15000000 -> 255 0 37 -1",
        "BAT: capacity=90 C: type=Battery capacity=31 -> 255 0 60 -1", "BAT: status=Charging capacity=4 -> 1 14 4 -1",
        "BAT: capacity=33 -> 255 0 33 -1", "BAT: capacity=33 C: type=Battery capacity=99 -> 255 0 66 -1",
        // 2 Ah / 1.5 A, whatever voltage converts both; then (20 + 45) Wh at 1 A x 10 V.
        "BAT: status=Discharging charge_now=2000000 charge_full=4000000 voltage_min_design=10000000 "
        "voltage_now=12000000 current_now=-1500000 -> 0 0 50 4800",
        "BAT: status=Discharging charge_now=2000000 charge_full=4000000 voltage_min_design=10000000 "
        "voltage_now=12000000 current_now=-1000000 C: type=Battery status=Unknown charge_now=3000000 "
        "charge_full=3000000 voltage_min_design=15000000 current_now=0 -> 0 1 76 23400",
        // Without a rate, the battery's own estimate unless it is a 65535 "unknown".
        "BAT: status=Discharging capacity=50 power_now=0 time_to_empty_now=5400 -> 0 0 50 5400",
        "BAT: status=Discharging capacity=50 time_to_empty_now=3932100 -> 0 0 50 -1",
        "BAT: status=Discharging capacity=50 time_to_empty_now=65535 time_to_empty_avg=7200 -> 0 0 50 7200",
        "BAT: status=Discharging capacity=99999999999999999999 energy_now=9223372036854775807 "
        "energy_full=9223372036854775807 power_now=-9223372036854775808 -> 0 1 100 3600",
        // A run time beyond 32 bits; numbers beyond 64 bits and negative energies.
        "BAT: status=Discharging capacity=50 energy_now=9223372036854775807 energy_full=9223372036854775807 "
        "power_now=1 -> 0 0 50 -1",
        "BAT: status=Discharging capacity=99999999999999999999 energy_now=-1 energy_full=18446744073709551616 "
        "-> 0 255 255 -1"};
    for (const std::string spec : kCases) Check("BAT: type=Battery " + spec);
}

}  // namespace
