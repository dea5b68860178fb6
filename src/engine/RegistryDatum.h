// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

// What a registry read yields: nothing, a text (REG_SZ) or a 32-bit integer (REG_DWORD).
class RegistryDatum {
public:
    RegistryDatum() = default;
    static RegistryDatum Text(std::string text);
    static RegistryDatum Integer(std::int32_t value);

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool IsText() const { return std::holds_alternative<std::string>(value_); }
    bool IsInteger() const { return std::holds_alternative<std::int32_t>(value_); }
    // Only valid when IsText() / IsInteger().
    const std::string& text() const { return std::get<std::string>(value_); }
    std::int32_t integer() const { return std::get<std::int32_t>(value_); }

    bool operator==(const RegistryDatum&) const = default;

private:
    std::variant<std::monostate, std::string, std::int32_t> value_;
};

// The six conversions every reader applies. Numbers in texts are read with either
// '.' or ',' as the decimal separator (the program writes them in the user's locale,
// and a locale change must not turn a stored number into garbage).
//
// A text that does not denote a number (or a flag, where one is expected), or a
// number outside the 16-bit range where a small integer is expected, is treated as
// if the value were missing: someone edited the store by hand, and a sound default
// beats refusing to start.
std::string AsText(const RegistryDatum& d);
std::int16_t AsSmallInteger(const RegistryDatum& d);
bool AsFlag(const RegistryDatum& d);
float AsPosition(const RegistryDatum& d);
bool EqualsNumberZero(const RegistryDatum& d);
bool EqualsEmptyText(const RegistryDatum& d);

// The number a stored text denotes: optional blanks around, optional sign, digits
// with at most one decimal separator ('.' or ','), optional exponent. Nothing else.
std::optional<double> ParseStoredNumber(const std::string& text);

// Rounds to the nearest whole number, halves to the even neighbour (banker's rounding).
double RoundHalfEven(double value);
