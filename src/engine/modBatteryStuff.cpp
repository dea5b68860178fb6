// SPDX-License-Identifier: GPL-3.0-or-later
#include "modBatteryStuff.h"

#include <cmath>
#include <limits>

#include "Decimal.h"
#include "NumberRules.h"
#include "RegistryDatum.h"
#include "StatusComposition.h"

namespace {

constexpr const char* DataValue = "Data";
constexpr const char* CountValue = "Count";
constexpr const char* NoInfo = "No Info";
constexpr std::int16_t CountCap = 10000;
constexpr std::int16_t CountAfterCap = 9850;
// n + 1 is written back as a 16-bit count.
constexpr std::int16_t LargestCount = std::numeric_limits<std::int16_t>::max() - 1;

// The wall clock may run ahead of the awake clock by this much before the interval is
// taken to contain a suspension (both are read a moment apart, one of them rounded).
constexpr double SuspendToleranceSeconds = 60.0;
constexpr double SecondsPerDay = 24 * 3600.0;

std::optional<Decimal> StoredDecimal(const RegistryDatum& d) {
    if (d.IsEmpty()) return Decimal();
    if (d.IsInteger()) return Decimal::FromInteger(d.integer());
    return Decimal::Parse(d.text());
}

}  // namespace

// Nothing when there is no average to build on: no samples yet, an average of 0 (which no
// sample of a falling charge can give), or values this program never writes (a text that is
// no number, a negative rate, a count out of range).
std::optional<DischargeHistory> ReadDischargeHistory(modRegistry& registry) {
    const auto average = StoredDecimal(registry.GetUserString(regkeys::TimeCalc, DataValue));
    const std::int16_t count = AsSmallInteger(registry.GetUserString(regkeys::TimeCalc, CountValue));
    if (!average || average->IsNegative() || average->IsZero()) return std::nullopt;
    if (count < 1 || count > LargestCount) return std::nullopt;
    return DischargeHistory{*average, count};
}

namespace {

// Once the count has reached the cap it is set back, so the newest samples keep a
// weight of at least 1/10001.
void CapCount(modRegistry& registry, std::int16_t count) {
    if (count < CountCap) return;
    registry.CreateRegistryKey(regkeys::TimeCalc, reg::Hive::CurrentUser);
    registry.SaveUserString(regkeys::TimeCalc, CountValue, static_cast<int>(CountAfterCap));
}

bool IsCharge(double percent) { return percent >= 0 && percent <= 100; }

std::string TwoDigits(std::int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

void modBatteryStuff::RecordDischargeSample(std::int16_t& drop, double& elapsedMinutes) {
    // A rate that is zero, negative or infinite would poison the average for good.
    if (drop <= 0 || !std::isfinite(elapsedMinutes) || elapsedMinutes <= 0) return;
    const auto sample = Decimal::FromDouble(elapsedMinutes / drop);
    if (!sample || sample->IsZero()) return;

    const DischargeHistory history = ReadDischargeHistory(registry_).value_or(DischargeHistory{});
    const Decimal n = Decimal::FromInteger(history.count);
    const auto weighted = Decimal::Multiply(history.average, n);
    const auto sum = weighted ? Decimal::Add(*weighted, *sample) : std::nullopt;
    const auto average = sum ? Decimal::Divide(*sum, Decimal::FromInteger(history.count + 1)) : std::nullopt;
    if (!average) return;

    registry_.SaveUserString(regkeys::TimeCalc, DataValue, average->Format(registry_.DecimalSeparator()));
    if (history.count >= CountCap)
        CapCount(registry_, history.count);
    else
        registry_.SaveUserString(regkeys::TimeCalc, CountValue, history.count + 1);
}

std::string modBatteryStuff::EstimateRemainingTime() {
    const auto history = ReadDischargeHistory(registry_);
    if (!history) return NoInfo;
    // One reading of the charge for hours and minutes alike, so they cannot disagree.
    const auto minutes = Decimal::Multiply(history->average, Decimal::FromInteger(power_.BatteryLifePercent()));
    const auto total = minutes ? minutes->RoundToInteger() : std::nullopt;
    if (!total || *total < 0) return NoInfo;
    const std::string text = std::to_string(*total / 60) + ":" + TwoDigits(*total % 60);
    CapCount(registry_, history->count);
    return text;
}

std::string modBatteryStuff::GetRemainingTime() {
    const std::int32_t seconds = power_.BatteryLifeTime();
    if (seconds != -1) return FormatLifeTime(seconds);
    return EstimateRemainingTime();
}

void RunSamplingStep(modBatteryStuff& estimator, PowerSource& power, const std::string& previousStatusText,
                     const std::string& previousACText, double previousAwakeSeconds, Clock& clock,
                     std::optional<std::int32_t> previousLastUpdate) {
    const std::int16_t p = power.BatteryLifePercent();
    const double previous = LeadingNumber(previousStatusText);
    // Only a fall between two real charges measures anything. A battery that vanished
    // between two reads of one refresh leaves "255%" behind, and 255 is no charge: taken
    // as one, it would teach the average a rate a hundred times too fast.
    if (!IsCharge(previous) || !IsCharge(p)) return;
    const double fall = RoundHalfEven(previous - p);
    if (!(fall > 0)) return;
    if (previousACText == "On" || previousACText == "Charging") return;

    const double awakeSeconds = clock.AwakeSeconds() - previousAwakeSeconds;
    if (!(awakeSeconds > 0)) return;
    if (previousLastUpdate) {
        double wallSeconds = clock.SecondsSinceMidnight() - *previousLastUpdate;
        if (wallSeconds < 0) wallSeconds += SecondsPerDay;  // midnight passed
        if (wallSeconds - awakeSeconds > SuspendToleranceSeconds) return;
    }

    std::int16_t drop = static_cast<std::int16_t>(fall);
    double elapsed = awakeSeconds / 60.0;
    estimator.RecordDischargeSample(drop, elapsed);
}
