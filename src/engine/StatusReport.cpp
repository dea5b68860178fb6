// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusReport.h"

#include <cstdio>
#include <exception>

#include "Log.h"
#include "PowerEventRules.h"
#include "RegistryDatum.h"
#include "modBatteryStuff.h"
#include "modRegistry.h"

namespace {

// Each power value read once and then kept, so that the texts of a report and the numbers
// beside them come from one reading and cannot disagree. A failed read is not kept.
class OneReading final : public PowerSource {
public:
    explicit OneReading(PowerSource& source) : source_(source) {}

    std::int16_t ACStatus() override { return Kept(ac_, &PowerSource::ACStatus); }
    std::int16_t BatteryStatus() override { return Kept(status_, &PowerSource::BatteryStatus); }
    std::int16_t BatteryLifePercent() override { return Kept(percent_, &PowerSource::BatteryLifePercent); }
    std::int32_t BatteryLifeTime() override { return Kept(lifeTime_, &PowerSource::BatteryLifeTime); }

private:
    template <typename T>
    T Kept(std::optional<T>& kept, T (PowerSource::*read)()) {
        if (!kept) kept = (source_.*read)();
        return *kept;
    }

    PowerSource& source_;
    std::optional<std::int16_t> ac_, status_, percent_;
    std::optional<std::int32_t> lifeTime_;
};

// The settings as a report's estimator sees them: read through, never written. The estimator
// sets its sample count back at the cap as it reads; that is the running program's to do, so
// here the write is dropped as if done (a refused one would log a failure nobody caused).
class ReadOnlyView final : public RegistryBackend {
public:
    explicit ReadOnlyView(RegistryBackend& store) : store_(store) {}

    reg::Status CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t, reg::KeyHandle* out) override {
        return store_.OpenKeyEx(hive, path, reg::KEY_QUERY_VALUE, out);
    }
    reg::Status OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t, reg::KeyHandle* out) override {
        return store_.OpenKeyEx(hive, path, reg::KEY_QUERY_VALUE, out);
    }
    reg::Status QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override {
        return store_.QueryValueEx(key, name, type, data, size);
    }
    reg::Status SetValueEx(reg::KeyHandle, const std::string&, std::uint32_t, const std::uint8_t*,
                           std::uint32_t) override {
        return reg::ERROR_SUCCESS;
    }
    reg::Status CloseKey(reg::KeyHandle key) override { return store_.CloseKey(key); }

private:
    RegistryBackend& store_;
};

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

template <typename T>
std::string NumberOrNull(const std::optional<T>& value) {
    return value ? std::to_string(*value) : "null";
}

}  // namespace

ComposedStatus ComposeStatusTexts(PowerSource& power, const StatusTexts& shown,
                                  const std::function<std::string()>& remainingTime) {
    ComposedStatus result{std::nullopt, shown, false, true};
    const auto step = [&result](const char* what, const auto& run) {
        try {
            run();
            return true;
        } catch (const std::exception& e) {
            vlog::Warning(vlog::Area::Power, std::string("Refresh: the ") + what + " stays as it was: " + e.what());
            result.complete = false;
            return false;
        }
    };
    step("status", [&] { result.classification = ClassifyStatus(power); });
    const auto& c = result.classification;
    if (c)
        result.statusWritten =
            step("Battery Status text", [&] { result.texts.batteryStatus = BatteryStatusText(c->statusText, power); });
    step("Battery Time text",
         [&] { result.texts.batteryTime = BatteryTimeText(result.texts.batteryStatus, remainingTime); });
    if (c) step("AC text", [&] { result.texts.ac = ACText(c->statusText, power); });
    return result;
}

StatusReport ReadStatusReport(PowerSource& power, RegistryBackend& settings) {
    OneReading reading(power);
    ReadOnlyView view(settings);
    modRegistry registry(view);
    modBatteryStuff estimator(registry, reading);
    StatusReport report;
    if (const auto history = ReadDischargeHistory(registry)) {
        report.average = history->average;
        report.samples = history->count;
    }
    report.composed = ComposeStatusTexts(reading, {}, [&] {
        const std::string text = estimator.GetRemainingTime();
        if (const std::int32_t seconds = reading.BatteryLifeTime(); seconds != -1) {
            report.seconds = seconds;
            report.timeSource = TimeSource::System;
        } else if (const auto minutes = MinutesOfTimeText(text)) {  // the estimator's "h:mm"; not "No Info"
            report.seconds = std::int64_t{*minutes} * 60;
            report.timeSource = TimeSource::Estimate;
        }
        return text;
    });
    try {
        const int percent = reading.BatteryLifePercent();
        if (percent >= 0 && percent <= 100) report.percent = percent;
        report.onMains = reading.ACStatus() == 1;
    } catch (const PowerReadError& e) {
        vlog::Warning(vlog::Area::Power, std::string("Cannot read the power status: ") + e.what());
        report.composed.complete = false;
    }
    report.charging = report.composed.texts.ac == "Charging";
    return report;
}

std::string StatusLine(const StatusReport& report) {
    const StatusTexts& t = report.composed.texts;
    return t.batteryStatus + " " + t.batteryTime + " " + t.ac;
}

std::string StatusJson(const StatusReport& report) {
    const StatusTexts& t = report.composed.texts;
    const char* const sources[] = {"null", "\"system\"", "\"estimate\""};
    const auto flag = [](bool value) { return value ? "true" : "false"; };
    return "{\"text\":" + Quoted(StatusLine(report)) +
           ",\"tooltip\":" + Quoted(CompactTooltip(t.batteryStatus, t.batteryTime, t.ac)) +
           ",\"status\":" + Quoted(t.batteryStatus) + ",\"time\":" + Quoted(t.batteryTime) + ",\"ac\":" + Quoted(t.ac) +
           ",\"percent\":" + NumberOrNull(report.percent) + ",\"seconds\":" + NumberOrNull(report.seconds) +
           ",\"source\":" + sources[static_cast<int>(report.timeSource)] + ",\"on_mains\":" + flag(report.onMains) +
           ",\"charging\":" + flag(report.charging) +
           ",\"minutes_per_percent\":" + (report.average ? report.average->Format('.') : "null") +
           ",\"samples\":" + (report.average ? std::to_string(report.samples) : "null") + "}";
}
