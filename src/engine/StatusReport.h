// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Decimal.h"
#include "PowerSource.h"
#include "RegistryBackend.h"
#include "StatusComposition.h"

// The main window's three value labels: Battery Status, Battery Time and AC Power.
struct StatusTexts {
    std::string batteryStatus;
    std::string batteryTime;
    std::string ac;
};

struct ComposedStatus {
    std::optional<StatusClassification> classification;  // none when the status could not be read
    StatusTexts texts;
    bool statusWritten = false;  // the Battery Status text is this refresh's own
    bool complete = false;       // every step succeeded
};

// The texts of one refresh, step by step as the main window shows them: the Battery Status
// text, then the Battery Time text after it (remainingTime gives the time itself), then the
// AC text. A step that fails (a failed read of the power status above all) leaves its text as
// in `shown`, logs a line, and the refresh goes on with the next step.
ComposedStatus ComposeStatusTexts(PowerSource& power, const StatusTexts& shown,
                                  const std::function<std::string()>& remainingTime);

enum class TimeSource { None, System, Estimate };

// What `voltara --status` prints: the window's texts and the numbers behind them.
struct StatusReport {
    ComposedStatus composed;
    std::optional<int> percent;           // the charge; none when no battery or unknown
    std::optional<std::int64_t> seconds;  // the remaining time shown, when one is
    TimeSource timeSource = TimeSource::None;
    bool onMains = false;
    bool charging = false;
    std::optional<Decimal> average;  // the learned minutes per percentage point, when usable
    std::int16_t samples = 0;        // how many discharge samples it holds
};

// One reading of the power status and of the learned average, composed as the window
// composes it. Reads only: the settings are left exactly as they were, and no lock is taken.
StatusReport ReadStatusReport(PowerSource& power, RegistryBackend& settings);

// "68% 3:0:12 Off": the three texts in a line.
std::string StatusLine(const StatusReport& report);
// One JSON object: the three texts, that line as "text" and the compact window's tooltip as
// "tooltip" (the fields a waybar custom module reads), and the numbers.
std::string StatusJson(const StatusReport& report);
