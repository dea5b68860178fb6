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

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool IsAttributeName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// "65440 [mWh]" -> "65440"; "1   (stale, charger unplugged)" -> "1".
std::string WithoutRemark(std::string value) {
    for (char open : {'[', '('}) {
        if (auto at = value.find(open); at != std::string::npos && at > 0) value = Trim(value.substr(0, at));
    }
    return value;
}

class DumpParser {
public:
    void Line(std::string_view line) {
        if (line.empty() || line.front() == '#') return;
        if (line.starts_with("P: ")) return Start();
        if (line.starts_with("E: ")) return Uevent(line.substr(3));
        if (line.starts_with("A: ")) return Assignment(Current(), line.substr(3), true);
        if (line.starts_with(kClassFolder)) return ClassPath(line.substr(kClassFolder.size()));
        if (line.starts_with("DEVTYPE=")) return Start();
        if (line.starts_with(kUeventPrefix)) return Uevent(line);
        Assignment(Current(), line, false);
    }

    std::vector<PowerSupply> Finish() {
        std::erase_if(supplies_, [](const PowerSupply& s) { return s.name.empty() && s.attributes.empty(); });
        return std::move(supplies_);
    }

private:
    void Start() { supplies_.emplace_back(); }

    PowerSupply& Current() {
        if (supplies_.empty()) Start();
        return supplies_.back();
    }

    PowerSupply& Named(const std::string& name) {
        for (auto& supply : supplies_) {
            if (supply.name == name) return supply;
        }
        supplies_.push_back(PowerSupply{name, {}});
        return supplies_.back();
    }

    void Uevent(std::string_view line) {
        if (!line.starts_with(kUeventPrefix)) return;
        auto eq = line.find('=');
        if (eq == std::string_view::npos) return;
        auto key = Lower(std::string(line.substr(kUeventPrefix.size(), eq - kUeventPrefix.size())));
        auto value = Trim(line.substr(eq + 1));
        if (key == "name") {
            if (!Current().name.empty() && Current().name != value) Start();
            Current().name = value;
        } else {
            Current().attributes[key] = value;
        }
    }

    // name=value, with "\n" as umockdev writes it at the end of an attribute.
    void Assignment(PowerSupply& supply, std::string_view line, bool umockdev) {
        auto eq = line.find('=');
        if (eq == std::string_view::npos) return;
        auto name = Trim(line.substr(0, eq));
        if (!IsAttributeName(name)) return;
        auto value = std::string(line.substr(eq + 1));
        if (umockdev && value.ends_with("\\n")) value.resize(value.size() - 2);
        supply.attributes[name] = umockdev ? value : WithoutRemark(Trim(value));
    }

    // "BAT0/type:Battery", "BAT0/energy_now   =  65440 [mWh]" or "BAT0:  status=Discharging, ...".
    void ClassPath(std::string_view rest) {
        auto slash = rest.find('/');
        auto colon = rest.find(':');
        if (slash != std::string_view::npos && (colon == std::string_view::npos || slash < colon)) {
            auto sep = rest.find_first_of(":=", slash);
            if (sep == std::string_view::npos) return;
            auto name = Trim(rest.substr(slash + 1, sep - slash - 1));
            if (IsAttributeName(name)) {
                Named(std::string(rest.substr(0, slash))).attributes[name] = WithoutRemark(Trim(rest.substr(sep + 1)));
            }
            return;
        }
        if (colon == std::string_view::npos) return;
        PowerSupply& supply = Named(std::string(rest.substr(0, colon)));
        std::string list = WithoutRemark(Trim(rest.substr(colon + 1)));
        std::string_view items = list;
        while (!items.empty()) {
            auto comma = items.find(',');
            auto item = Trim(items.substr(0, comma));
            if (item.starts_with(kUeventPrefix)) {
                auto eq = item.find('=');
                if (eq != std::string::npos) {
                    supply.attributes[Lower(item.substr(kUeventPrefix.size(), eq - kUeventPrefix.size()))] =
                        Trim(item.substr(eq + 1));
                }
            } else {
                Assignment(supply, item, false);
            }
            if (comma == std::string_view::npos) break;
            items.remove_prefix(comma + 1);
        }
    }

    std::vector<PowerSupply> supplies_;
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
