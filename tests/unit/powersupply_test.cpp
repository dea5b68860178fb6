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

const std::filesystem::path kDumps = std::filesystem::path(VOLTARA_TEST_DATA) / "power_supply";

using Four = std::array<std::int32_t, 4>;
Four Values(const PowerStatus& s) { return {s.acStatus, s.batteryStatus, s.batteryLifePercent, s.batteryLifeTime}; }

std::size_t Select(std::vector<PowerSupply>& supplies, const std::string& name) {
    const auto found = std::find_if(supplies.begin(), supplies.end(), [&](const auto& s) { return s.name == name; });
    return found != supplies.end() ? found - supplies.begin() : (supplies.push_back({name, {}}), supplies.size() - 1);
}

// Reads the forms the collected dumps come in: uevent lines (a second NAME starts the next supply), umockdev records
// (E: and A: lines), name=value lines, /sys/class/power_supply/NAME/attribute:value lines and "NAME: a=b, c=d"
// summaries. A remark in () or [] at the end of a line is dropped.
void LoadDump(const std::string& file, std::vector<PowerSupply>& supplies) {
    static const std::regex remark(R"(\s+[\[(][^\[\]()]*[\])]$)"), sysfs("/sys/class/power_supply/([^/:]+)([/:])(.*)"),
        item(R"(\s*(?:[AE]: )?(?:POWER_SUPPLY_([A-Z0-9_]+)|([a-z0-9_]+))\s*[=:]\s*(.*?)(?:\\n)?\s*)");
    std::ifstream in(kDumps / file);
    std::size_t current = supplies.size();  // none yet
    for (std::string line; std::getline(in, line);) {
        line = std::regex_replace(line, remark, "");
        std::smatch m;
        bool summary = false;
        if (std::regex_match(line, m, sysfs)) current = Select(supplies, m[1]), summary = m[2] == ":", line = m[3];
        std::istringstream items(line);
        for (std::string text; std::getline(items, text, summary ? ',' : '\n');) {
            if (!std::regex_match(text, m, item)) continue;
            std::string key = m[1].matched ? m[1].str() : m[2].str(), value = m[3];
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
            if (current == supplies.size() ||
                (key == "name" && !supplies[current].name.empty() && supplies[current].name != value))
                current = (supplies.emplace_back(), supplies.size() - 1);
            (key == "name" ? supplies[current].name : supplies[current].attributes[key]) = value;
        }
    }
}

// A case: dump files to load, then "NAME:" to pick (or add) a supply and "attribute=value" to set one of it, then
// "->" and the four values expected.
void Check(const std::string& row, std::set<std::string>& loaded) {
    SCOPED_TRACE(row);
    std::vector<PowerSupply> supplies;
    std::istringstream in(row);
    std::size_t current = 0;
    for (std::string word; in >> word && word != "->";) {
        const auto equals = word.find('=');
        if (word.ends_with(".uevent")) LoadDump(*loaded.insert(word).first, supplies);
        if (word.ends_with(':')) current = Select(supplies, word.substr(0, word.size() - 1));
        if (equals != std::string::npos) supplies[current].attributes[word.substr(0, equals)] = word.substr(equals + 1);
    }
    Four expected;
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

// The cases: real dumps with their expected values, then supplies made up for the rules they do not reach.
TEST(PowerSupply, MapsToTheWindowsValues) {
    std::set<std::string> listed, dumps;
    for (const char* file : {"expected.txt", "made-up.txt"}) {
        std::ifstream in(kDumps / file);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != '#') Check(line, listed);
    }
    for (const auto& entry : std::filesystem::directory_iterator(kDumps))
        if (entry.path().extension() == ".uevent") dumps.insert(entry.path().filename().string());
    EXPECT_EQ(listed, dumps);
    EXPECT_EQ(dumps.size(), 16u);
}
