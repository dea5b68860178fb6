// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/SysfsPowerReader.h"

#include "Log.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace {

// Only what the mapping looks at: an adapter needs three files, a battery a dozen or so,
// anything else (and any peripheral's supply) just its type and scope.
constexpr std::array kAdapterAttributes = {"online"};
constexpr std::array kBatteryAttributes = {
    "present",    "status",      "capacity",          "energy_now",         "energy_full",
    "charge_now", "charge_full", "voltage_now",       "voltage_min_design", "voltage_max_design",
    "power_now",  "current_now", "time_to_empty_now", "time_to_empty_avg",
};

// One sysfs attribute without its newline and surrounding blanks. Attributes are at most
// a page; a read that fails (missing file, a gauge answering ENODEV) gives nothing.
bool ReadAttribute(const std::filesystem::path& file, std::string& value) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    std::array<char, 4096> buffer;
    ssize_t size;
    do {
        size = ::read(fd, buffer.data(), buffer.size());
    } while (size < 0 && errno == EINTR);
    ::close(fd);
    if (size < 0) return false;

    std::string_view text(buffer.data(), static_cast<std::size_t>(size));
    const auto blank = std::string_view(" \t\r\n", 4);
    auto first = text.find_first_not_of(blank);
    if (first == std::string_view::npos) {
        value.clear();
    } else {
        value.assign(text.substr(first, text.find_last_not_of(blank) - first + 1));
    }
    return true;
}

template <std::size_t N>
void ReadAttributes(const std::filesystem::path& folder, const std::array<const char*, N>& names, PowerSupply& supply) {
    std::string value;
    for (const char* name : names) {
        if (ReadAttribute(folder / name, value)) supply.attributes.emplace(name, value);
    }
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool IsAdapterType(const std::string& lowerType) {
    return lowerType == "mains" || lowerType == "usb" || lowerType.starts_with("usb_");
}

}  // namespace

SysfsPowerReader::SysfsPowerReader(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::vector<PowerSupply> SysfsPowerReader::ReadSupplies() const {
    std::vector<PowerSupply> supplies;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder_, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        PowerSupply supply;
        supply.name = it->path().filename().string();
        std::string type;
        if (!ReadAttribute(it->path() / "type", type)) continue;
        supply.attributes.emplace("type", type);
        std::string scope;
        if (ReadAttribute(it->path() / "scope", scope)) supply.attributes.emplace("scope", scope);
        const std::string kind = Lower(type);
        if (Lower(scope) == "device") {
            // A mouse or headset: its type and scope are enough to leave it out.
        } else if (kind == "battery") {
            ReadAttributes(it->path(), kBatteryAttributes, supply);
        } else if (IsAdapterType(kind)) {
            ReadAttributes(it->path(), kAdapterAttributes, supply);
        }
        supplies.push_back(std::move(supply));
    }
    if (ec) {
        // The kernel's class folder is there on every machine, batteries or not: without
        // it nothing is known, which is not the same as knowing there is no battery.
        const std::string what = "Cannot read " + folder_.string() + ": " + ec.message();
        vlog::Debug(vlog::Area::Power, what);
        throw PowerReadError(what);
    }
    std::sort(supplies.begin(), supplies.end(),
              [](const PowerSupply& a, const PowerSupply& b) { return a.name < b.name; });
    return supplies;
}
