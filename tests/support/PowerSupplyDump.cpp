// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/PowerSupplyDump.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kClassFolder = "/sys/class/power_supply/";
constexpr std::string_view kUeventPrefix = "POWER_SUPPLY_";

std::string Trim(std::string_view text) {
    auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

// "65440 [mWh]" -> "65440"; "1   (stale, charger unplugged)" -> "1".
std::string WithoutRemark(std::string value) {
    if (value.ends_with(']') || value.ends_with(')')) {
        auto open = value.find_last_of(value.back() == ']' ? '[' : '(');
        if (open != std::string::npos && open > 0 && value[open - 1] == ' ') value = Trim(value.substr(0, open));
    }
    return value;
}

bool IsAttributeName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

class DumpParser {
public:
    void Line(std::string_view line) {
        if (line.empty() || line.front() == '#') return;
        if (line.starts_with("P: ") || line.starts_with("DEVTYPE=")) return Start();
        if (line.starts_with("E: ")) return Line(line.substr(3));
        if (line.starts_with("A: ")) return Line(line.substr(3, line.ends_with("\\n") ? line.size() - 5 : line.npos));
        if (line.starts_with(kClassFolder)) return ClassPath(line.substr(kClassFolder.size()));

        auto eq = line.find('=');
        if (eq == std::string_view::npos) return;
        std::string key = Trim(line.substr(0, eq));
        std::string value = WithoutRemark(Trim(line.substr(eq + 1)));
        if (key.starts_with(kUeventPrefix)) {
            key.erase(0, kUeventPrefix.size());
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
            if (key == "name") {
                if (!Current().name.empty() && Current().name != value) Start();
                Current().name = value;
                return;
            }
        }
        if (IsAttributeName(key)) Current().attributes[key] = value;
    }

    std::vector<PowerSupply> Finish() {
        std::erase_if(supplies_, [](const PowerSupply& s) { return s.name.empty() && s.attributes.empty(); });
        return std::move(supplies_);
    }

private:
    void Start() {
        supplies_.emplace_back();
        current_ = supplies_.size() - 1;
    }

    PowerSupply& Current() {
        if (supplies_.empty()) Start();
        return supplies_[current_];
    }

    // "BAT0/type:Battery", "BAT0/energy_now  =  65440 [mWh]" or "BAT0:  status=Discharging, current_now=-334000".
    void ClassPath(std::string_view rest) {
        auto end = rest.find_first_of("/:");
        if (end == std::string_view::npos) return;
        std::string name(rest.substr(0, end));
        auto it = std::find_if(supplies_.begin(), supplies_.end(), [&](auto& s) { return s.name == name; });
        if (it == supplies_.end()) it = supplies_.insert(supplies_.end(), PowerSupply{name, {}});
        current_ = static_cast<std::size_t>(it - supplies_.begin());

        std::string tail = WithoutRemark(Trim(rest.substr(end + 1)));
        if (rest[end] == '/') {
            auto sep = tail.find_first_of(":=");
            if (sep != std::string::npos) Line(Trim(tail.substr(0, sep)) + "=" + tail.substr(sep + 1));
            return;
        }
        for (std::string_view items = tail; !items.empty();) {
            auto comma = items.find(',');
            Line(Trim(items.substr(0, comma)));
            items = comma == std::string_view::npos ? std::string_view() : items.substr(comma + 1);
        }
    }

    std::vector<PowerSupply> supplies_;
    std::size_t current_ = 0;
};

}  // namespace

std::vector<PowerSupply> ParsePowerSupplyDump(std::istream& in) {
    DumpParser parser;
    std::string line;
    while (std::getline(in, line)) parser.Line(line);
    return parser.Finish();
}

std::vector<PowerSupply> LoadPowerSupplyDump(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot open " + file.string());
    return ParsePowerSupplyDump(in);
}
