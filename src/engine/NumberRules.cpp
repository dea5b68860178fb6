// SPDX-License-Identifier: GPL-3.0-or-later
#include "NumberRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

bool IsDropped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A number beyond the range of double reads as the largest finite one of its sign:
// the caller's range checks still reject it, and it keeps a normal form that reads
// back to the same value.
double Finite(double value) {
    if (std::isnan(value)) return 0.0;
    return std::clamp(value, -kLargest, kLargest);
}

// &H and &O numbers are unsigned; digits of the radix are taken up to the first other character.
double RadixNumber(std::string_view digits, int radix) {
    double value = 0.0;
    for (char c : digits) {
        const int d = DigitValue(c);
        if (d < 0 || d >= radix) break;
        value = value * radix + d;
    }
    return Finite(value);
}

// Sign, digits with at most one period, then an exponent (E, optional sign, digits)
// only when at least one exponent digit follows.
double DecimalNumber(std::string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }

    std::string mantissa;  // digits and point, for from_chars
    bool point = false;
    bool anyDigit = false;
    long long order = 0;  // decimal position of the first significant digit, for out-of-range results
    bool significant = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (IsDigit(c)) {
            anyDigit = true;
            if (c != '0' && !significant) significant = true;
            if (!point && significant) ++order;
            if (point && !significant) --order;
            mantissa += c;
        } else if (c == '.' && !point) {
            point = true;
            mantissa += c;
        } else {
            break;
        }
    }
    if (!anyDigit || !significant) return 0.0;

    long long exponent = 0;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        std::size_t j = i + 1;
        bool exponentNegative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exponentNegative = s[j] == '-';
            ++j;
        }
        if (j < s.size() && IsDigit(s[j])) {
            for (; j < s.size() && IsDigit(s[j]); ++j) {
                // Far beyond any double; saturating keeps the arithmetic defined.
                exponent = std::min(exponent * 10 + (s[j] - '0'), 1'000'000'000LL);
            }
            if (exponentNegative) exponent = -exponent;
        }
    }

    std::string text = mantissa;
    if (exponent != 0) text += "e" + std::to_string(exponent);
    double value = 0.0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    if (parsed.ec == std::errc::result_out_of_range) {
        value = order + exponent > 0 ? kLargest : 0.0;
    }
    return negative ? -value : value;
}

}  // namespace

double LeadingNumber(const std::string& text) {
    std::string s;
    s.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(s), [](char c) { return !IsDropped(c); });

    if (!s.empty() && s[0] == '&') {
        const std::string_view rest = std::string_view(s).substr(1);
        if (!rest.empty() && (rest[0] == 'H' || rest[0] == 'h')) return RadixNumber(rest.substr(1), 16);
        if (!rest.empty() && (rest[0] == 'O' || rest[0] == 'o')) return RadixNumber(rest.substr(1), 8);
        return 0.0;
    }
    return Finite(DecimalNumber(s));
}

std::string NormalForm(double number) {
    number = Finite(number);
    if (number == 0.0) return "0";  // also for -0

    // Fixed notation for ordinary magnitudes; E notation outside, so that neither a
    // huge nor a tiny number turns into hundreds of digits.
    const double magnitude = std::fabs(number);
    const bool scientific = magnitude >= 1e15 || magnitude < 1e-5;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number,
                                      scientific ? std::chars_format::scientific : std::chars_format::fixed);
    std::string text(buffer, result.ptr);

    if (scientific) {
        std::replace(text.begin(), text.end(), 'e', 'E');
        return text;
    }
    const std::size_t zero = number < 0 ? 1 : 0;
    if (text.compare(zero, 2, "0.") == 0) text.erase(zero, 1);
    return text;
}
