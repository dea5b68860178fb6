// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A base-ten number: a 96-bit unsigned integer, a sign, and a scale 0..28 that divides
// it by that power of ten. The learned discharge rate is kept in this form so that the
// stored text carries the same 28 places on every machine.
//
// Results that do not fit keep as many places as the 96 bits allow, rounded half to
// even at the last one. A result too large for the type, or a division by zero, gives
// nothing: callers treat that as "no result". Values are always held with the fewest
// places that represent them exactly (2.50 is held as 2.5).
class Decimal {
public:
    static constexpr int MaxScale = 28;

    constexpr Decimal() = default;
    static Decimal FromInteger(std::int64_t value);
    // Keeps the 15 significant digits a double is good for (0.1 gives 0.1, not the
    // binary neighbour); nothing for infinities, NaN and magnitudes beyond the type.
    static std::optional<Decimal> FromDouble(double value);
    // Plain notation: optional blanks around, optional sign, digits with at most one
    // decimal separator, which may be '.' or ',' whatever the locale wrote. Places
    // beyond 28 are rounded. Nothing for any other text or a value beyond the type.
    static std::optional<Decimal> Parse(std::string_view text);

    static std::optional<Decimal> Add(const Decimal& a, const Decimal& b);
    static std::optional<Decimal> Subtract(const Decimal& a, const Decimal& b);
    static std::optional<Decimal> Multiply(const Decimal& a, const Decimal& b);
    static std::optional<Decimal> Divide(const Decimal& a, const Decimal& b);

    // Plain notation with the given separator, no grouping, no exponent, no trailing zeros.
    std::string Format(char decimalSeparator) const;
    double ToDouble() const;
    // Nearest whole number, halves to even; nothing when it does not fit 64 bits.
    std::optional<std::int64_t> RoundToInteger() const;

    bool IsZero() const { return lo_ == 0 && mid_ == 0 && hi_ == 0; }
    bool IsNegative() const { return negative_; }
    int Scale() const { return scale_; }

    // Held in canonical form, so equal numbers have equal fields.
    bool operator==(const Decimal&) const = default;

private:
    std::uint32_t lo_ = 0;
    std::uint32_t mid_ = 0;
    std::uint32_t hi_ = 0;
    std::uint8_t scale_ = 0;
    bool negative_ = false;

    friend struct DecimalAccess;
};
