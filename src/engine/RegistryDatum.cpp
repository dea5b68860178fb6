// SPDX-License-Identifier: GPL-3.0-or-later
#include "RegistryDatum.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

RegistryDatum RegistryDatum::Text(std::string text) {
    RegistryDatum d;
    d.value_ = std::move(text);
    return d;
}

RegistryDatum RegistryDatum::Integer(std::int32_t value) {
    RegistryDatum d;
    d.value_ = value;
    return d;
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The number a datum stands for; nullopt when it is empty or its text is no number.
std::optional<double> NumberOf(const RegistryDatum& d) {
    if (d.IsInteger()) return d.integer();
    if (d.IsText()) return ParseStoredNumber(d.text());
    return std::nullopt;
}
}  // namespace

std::optional<double> ParseStoredNumber(const std::string& text) {
    const std::string_view s = TrimBlanks(text);
    // Validate the whole form first: from_chars alone would accept "inf", "nan" or
    // stop quietly at the first character it does not know.
    std::string normal;
    normal.reserve(s.size());
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') normal += '-';
        ++i;
    }
    int digits = 0;
    bool separator = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i])) {
            ++digits;
            normal += s[i];
        } else if ((s[i] == '.' || s[i] == ',') && !separator) {
            separator = true;
            normal += '.';
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
        int exponentDigits = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i, ++exponentDigits) normal += s[i];
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), value);
    if (ec != std::errc() || end != normal.data() + normal.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) return below;
    if (fraction > 0.5) return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::string AsText(const RegistryDatum& d) {
    if (d.IsText()) return d.text();
    if (d.IsInteger()) return std::to_string(d.integer());
    return {};
}

std::int16_t AsSmallInteger(const RegistryDatum& d) {
    const auto number = NumberOf(d);
    if (!number) return 0;
    const double rounded = RoundHalfEven(*number);
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        return 0;
    return static_cast<std::int16_t>(rounded);
}

bool AsFlag(const RegistryDatum& d) {
    if (d.IsText()) {
        const std::string_view word = TrimBlanks(d.text());
        if (EqualsIgnoringCase(word, "True")) return true;
        if (EqualsIgnoringCase(word, "False")) return false;
    }
    const auto number = NumberOf(d);
    return number && *number != 0;
}

float AsPosition(const RegistryDatum& d) {
    const auto number = NumberOf(d);
    if (!number || std::fabs(*number) > std::numeric_limits<float>::max()) return 0;
    return static_cast<float>(*number);
}

bool EqualsNumberZero(const RegistryDatum& d) {
    const auto number = NumberOf(d);
    return !number || *number == 0;
}

bool EqualsEmptyText(const RegistryDatum& d) {
    if (d.IsText()) return d.text().empty();
    return d.IsEmpty();
}
