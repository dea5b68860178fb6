// SPDX-License-Identifier: GPL-3.0-or-later
#include "PowerSupplyMapping.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

namespace {

constexpr std::int16_t kUnknown = 255;
constexpr std::int16_t kNoBattery = 128;
constexpr std::int16_t kCharging = 8;
constexpr std::int16_t kHigh = 1;
constexpr std::int16_t kLow = 2;
constexpr std::int16_t kCritical = 4;

// A reading more than half again above "full" is a scale error of the driver (seen on
// Apple Silicon), not an overcharge; slightly above is an ageing gauge and is clamped.
constexpr int kMaxPlausiblePercent = 150;

// Smart-battery "unknown" markers for the remaining time: 65535 minutes in seconds, and
// the raw 16-bit all-ones value.
constexpr std::int64_t kTimeUnknownMinutes = 65535LL * 60;
constexpr std::int64_t kTimeUnknownRaw = 65535;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

const std::string* Attribute(const PowerSupply& supply, const char* name) {
    auto it = supply.attributes.find(name);
    return it == supply.attributes.end() ? nullptr : &it->second;
}

bool AttributeIs(const PowerSupply& supply, const char* name, std::string_view value) {
    const std::string* text = Attribute(supply, name);
    return text && EqualsNoCase(*text, value);
}

// A whole decimal number, nothing else; anything that does not fit 64 bits is garbage.
std::optional<std::int64_t> Integer(const PowerSupply& supply, const char* name) {
    const std::string* text = Attribute(supply, name);
    if (!text || text->empty()) return std::nullopt;
    std::int64_t value = 0;
    const char* end = text->data() + text->size();
    auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::optional<double> NonNegative(const PowerSupply& supply, const char* name) {
    auto value = Integer(supply, name);
    if (!value || *value < 0) return std::nullopt;
    return static_cast<double>(*value);
}

std::optional<double> Positive(const PowerSupply& supply, const char* name) {
    auto value = Integer(supply, name);
    if (!value || *value <= 0) return std::nullopt;
    return static_cast<double>(*value);
}

// Drivers report the rate with either sign depending on direction; only its size counts.
std::optional<double> Magnitude(const PowerSupply& supply, const char* name) {
    auto value = Integer(supply, name);
    if (!value) return std::nullopt;
    return std::fabs(static_cast<double>(*value));
}

enum class Kind { Battery, Adapter, Other };

// A system battery; an adapter: Mains, USB and the USB_* kinds of older kernels. A supply of
// scope Device (a mouse or headset) is neither: it does not power this machine.
Kind KindOf(std::string_view type, std::string_view scope) {
    if (EqualsNoCase(scope, "Device")) return Kind::Other;
    if (EqualsNoCase(type, "Battery")) return Kind::Battery;
    if (EqualsNoCase(type, "Mains") || EqualsNoCase(type, "USB") ||
        (type.size() > 4 && EqualsNoCase(type.substr(0, 4), "USB_")))
        return Kind::Adapter;
    return Kind::Other;
}

Kind KindOf(const PowerSupply& supply) {
    const std::string* type = Attribute(supply, "type");
    const std::string* scope = Attribute(supply, "scope");
    return KindOf(type ? *type : std::string_view(), scope ? *scope : std::string_view());
}

bool IsBattery(const PowerSupply& supply) {
    if (KindOf(supply) != Kind::Battery) return false;
    auto present = Integer(supply, "present");
    return !(present && *present == 0);
}

// An adapter with a readable online state.
bool IsAdapter(const PowerSupply& supply) {
    return KindOf(supply) == Kind::Adapter && Integer(supply, "online").has_value();
}

bool IsDischarging(const PowerSupply& battery) { return AttributeIs(battery, "status", "Discharging"); }

bool IsCharging(const PowerSupply& battery) { return AttributeIs(battery, "status", "Charging"); }

// The status of a battery that only an attached supply allows.
bool ImpliesMains(const PowerSupply& battery) {
    return IsCharging(battery) || AttributeIs(battery, "status", "Full") ||
           AttributeIs(battery, "status", "Not charging");
}

bool HasNonZeroRate(const PowerSupply& battery) {
    for (const char* name : {"power_now", "current_now"}) {
        auto value = Integer(battery, name);
        if (value && *value != 0) return true;
    }
    return false;
}

// The nominal voltage that turns a charge into an energy; the present voltage where
// the driver gives no design value.
std::optional<double> DesignVolts(const PowerSupply& battery) {
    for (const char* name : {"voltage_min_design", "voltage_max_design", "voltage_now"}) {
        if (auto microvolts = Positive(battery, name)) return *microvolts / 1e6;
    }
    return std::nullopt;
}

struct Energy {
    double now = 0;  // Wh
    double full = 0;
    std::optional<double> volts;  // the voltage a charge was turned into energy with
};

// The energy left and the full energy, from energy_* or from charge_* and the design voltage.
std::optional<Energy> EnergyOf(const PowerSupply& battery) {
    auto energyNow = NonNegative(battery, "energy_now");
    auto energyFull = Positive(battery, "energy_full");
    if (energyNow && energyFull) return Energy{*energyNow / 1e6, *energyFull / 1e6, std::nullopt};

    auto chargeNow = NonNegative(battery, "charge_now");
    auto chargeFull = Positive(battery, "charge_full");
    auto volts = DesignVolts(battery);
    if (chargeNow && chargeFull && volts) return Energy{*chargeNow / 1e6 * *volts, *chargeFull / 1e6 * *volts, volts};
    return std::nullopt;
}

// Whole percent from a ratio, as the kernel computes capacity (truncated); nothing when implausible.
std::optional<int> PercentOfRatio(double now, double full) {
    if (!(full > 0)) return std::nullopt;
    double percent = 100.0 * now / full;
    if (!std::isfinite(percent) || percent < 0 || percent > kMaxPlausiblePercent) return std::nullopt;
    return static_cast<int>(std::min(percent, 100.0));
}

// One battery's charge: the kernel's own capacity first (some gauges get now/full wrong
// while capacity stays right), else energy, else charge. A capacity beyond 0..100 is an
// ageing or miscalibrated gauge at its end of the scale.
std::optional<int> PercentOf(const PowerSupply& battery) {
    if (auto capacity = Integer(battery, "capacity")) {
        return static_cast<int>(std::clamp<std::int64_t>(*capacity, 0, 100));
    }
    auto energyNow = NonNegative(battery, "energy_now");
    auto energyFull = Positive(battery, "energy_full");
    if (energyNow && energyFull) {
        if (auto percent = PercentOfRatio(*energyNow, *energyFull)) return percent;
    }
    auto chargeNow = NonNegative(battery, "charge_now");
    auto chargeFull = Positive(battery, "charge_full");
    if (chargeNow && chargeFull) return PercentOfRatio(*chargeNow, *chargeFull);
    return std::nullopt;
}

std::int16_t LifePercent(const std::vector<const PowerSupply*>& batteries) {
    std::vector<const PowerSupply*> usable;
    for (const PowerSupply* battery : batteries) {
        if (PercentOf(*battery) || EnergyOf(*battery)) usable.push_back(battery);
    }
    if (usable.empty()) return kUnknown;
    if (usable.size() == 1) {
        auto percent = PercentOf(*usable.front());
        return percent ? static_cast<std::int16_t>(*percent) : kUnknown;
    }

    // Several packs: weigh each by its size, as one pack twice the size counts twice.
    Energy total;
    bool allHaveEnergy = true;
    for (const PowerSupply* battery : usable) {
        auto energy = EnergyOf(*battery);
        if (!energy) {
            allHaveEnergy = false;
            break;
        }
        total.now += energy->now;
        total.full += energy->full;
    }
    if (allHaveEnergy) {
        auto percent = PercentOfRatio(total.now, total.full);
        return percent ? static_cast<std::int16_t>(*percent) : kUnknown;
    }

    // Without the sizes of all packs, the plain mean of those that know their charge.
    int sum = 0;
    int count = 0;
    for (const PowerSupply* battery : usable) {
        if (auto percent = PercentOf(*battery)) {
            sum += *percent;
            ++count;
        }
    }
    return count ? static_cast<std::int16_t>(sum / count) : kUnknown;
}

std::int16_t ACStatusOf(const std::vector<const PowerSupply*>& adapters,
                        const std::vector<const PowerSupply*>& batteries) {
    // Some chargers claim online for ever (MacBook sbs-charger, stale USB-C sources); a
    // battery that is really being drained wins over them.
    for (const PowerSupply* battery : batteries) {
        if (IsDischarging(*battery) && HasNonZeroRate(*battery)) return 0;
    }
    if (!adapters.empty()) {
        for (const PowerSupply* adapter : adapters) {
            if (*Integer(*adapter, "online") >= 1) return 1;  // 2 is a programmable USB-PD supply
        }
        return 0;
    }
    if (std::any_of(batteries.begin(), batteries.end(), [](auto* b) { return IsDischarging(*b); })) return 0;
    if (std::any_of(batteries.begin(), batteries.end(), [](auto* b) { return ImpliesMains(*b); })) return 1;
    return kUnknown;
}

std::int16_t BatteryFlags(const std::vector<const PowerSupply*>& batteries, std::int16_t percent) {
    if (batteries.empty()) return kNoBattery;
    if (percent == kUnknown) return kUnknown;
    std::int16_t flags = 0;
    if (std::any_of(batteries.begin(), batteries.end(), [](auto* b) { return IsCharging(*b); })) flags |= kCharging;
    if (percent > 66) flags |= kHigh;
    if (percent < 33) flags |= kLow;
    if (percent < 5) flags |= kCritical;
    return flags;
}

// The battery's own estimate, in seconds, unless it is one of the "unknown" markers.
std::optional<double> ReportedTimeToEmpty(const PowerSupply& battery) {
    for (const char* name : {"time_to_empty_now", "time_to_empty_avg"}) {
        auto seconds = Integer(battery, name);
        if (seconds && *seconds > 0 && *seconds != kTimeUnknownMinutes && *seconds != kTimeUnknownRaw) {
            return static_cast<double>(*seconds);
        }
    }
    return std::nullopt;
}

// The power a battery gives now. A rate in current goes with the voltage its charge was
// turned into energy with, so that its time is charge / current; else with the present one.
std::optional<double> DischargeWatts(const PowerSupply& battery, const std::optional<Energy>& energy) {
    if (auto microwatts = Magnitude(battery, "power_now")) {
        if (*microwatts > 0) return *microwatts / 1e6;
    }
    auto microamps = Magnitude(battery, "current_now");
    if (!microamps || *microamps == 0) return std::nullopt;
    if (energy && energy->volts) return *microamps / 1e6 * *energy->volts;
    if (auto microvolts = Positive(battery, "voltage_now")) return *microamps / 1e6 * (*microvolts / 1e6);
    if (auto volts = DesignVolts(battery)) return *microamps / 1e6 * *volts;
    return std::nullopt;
}

std::int32_t LifeTime(const std::vector<const PowerSupply*>& batteries, std::int16_t acStatus) {
    if (acStatus != 0) return -1;
    if (std::none_of(batteries.begin(), batteries.end(), [](auto* b) { return IsDischarging(*b); })) return -1;

    double energy = 0;
    double watts = 0;
    bool energyKnown = false;
    // Each pack converted on its own, then summed: packs of different voltages add up as energies.
    for (const PowerSupply* battery : batteries) {
        const auto e = EnergyOf(*battery);
        if (e) {
            energy += e->now;
            energyKnown = true;
        }
        if (IsDischarging(*battery)) {
            if (auto w = DischargeWatts(*battery, e)) watts += *w;
        }
    }

    double seconds = -1;
    if (energyKnown && watts > 0) {
        seconds = 3600.0 * energy / watts;
    } else {
        // Right after unplugging many gauges report no rate yet; their own estimate is all there is.
        double reported = 0;
        for (const PowerSupply* battery : batteries) {
            if (auto s = ReportedTimeToEmpty(*battery)) reported += *s;
        }
        if (reported > 0) seconds = reported;
    }
    if (!std::isfinite(seconds) || seconds < 0 || seconds > std::numeric_limits<std::int32_t>::max()) return -1;
    return static_cast<std::int32_t>(std::llround(seconds));
}

}  // namespace

std::span<const AttributeUse> AttributesUsed(std::string_view type, std::string_view scope) {
    using namespace powervalue;
    // The charge feeds the flags; the energy also the time; the state and the rate the mains
    // status (a draining battery beats an online adapter), and through it the time.
    constexpr unsigned kCharge = BatteryStatus | BatteryLifePercent;
    static constexpr AttributeUse kBattery[] = {
        {"present", All},
        {"status", ACStatus | BatteryStatus | BatteryLifeTime},
        {"capacity", kCharge},
        {"energy_now", kCharge | BatteryLifeTime},
        {"energy_full", kCharge | BatteryLifeTime},
        {"charge_now", kCharge | BatteryLifeTime},
        {"charge_full", kCharge | BatteryLifeTime},
        {"voltage_min_design", kCharge | BatteryLifeTime},
        {"voltage_max_design", kCharge | BatteryLifeTime},
        {"voltage_now", kCharge | BatteryLifeTime},
        {"power_now", ACStatus | BatteryLifeTime},
        {"current_now", ACStatus | BatteryLifeTime},
        {"time_to_empty_now", BatteryLifeTime},
        {"time_to_empty_avg", BatteryLifeTime},
    };
    static constexpr AttributeUse kAdapter[] = {{"online", ACStatus | BatteryLifeTime}};
    switch (KindOf(type, scope)) {
        case Kind::Battery: return kBattery;
        case Kind::Adapter: return kAdapter;
        case Kind::Other: break;
    }
    return {};
}

PowerStatus MapPowerSupplies(const std::vector<PowerSupply>& supplies) {
    std::vector<const PowerSupply*> batteries;
    std::vector<const PowerSupply*> adapters;
    for (const PowerSupply& supply : supplies) {
        if (IsBattery(supply)) {
            batteries.push_back(&supply);
        } else if (IsAdapter(supply)) {
            adapters.push_back(&supply);
        }
    }

    PowerStatus status;
    status.acStatus = ACStatusOf(adapters, batteries);
    status.batteryLifePercent = batteries.empty() ? kUnknown : LifePercent(batteries);
    status.batteryStatus = BatteryFlags(batteries, status.batteryLifePercent);
    status.batteryLifeTime = batteries.empty() ? -1 : LifeTime(batteries, status.acStatus);
    return status;
}
