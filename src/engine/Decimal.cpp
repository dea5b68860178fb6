// SPDX-License-Identifier: GPL-3.0-or-later
#include "Decimal.h"

#include <array>
#include <charconv>
#include <cmath>
#include <compare>

namespace {

// An unsigned integer wide enough for every intermediate: a 96-bit mantissa times
// 10^56 (the most a division needs to reach 28 places) is below 2^282.
class Wide {
public:
    static constexpr int Limbs = 12;

    Wide() = default;
    Wide(std::uint32_t lo, std::uint32_t mid, std::uint32_t hi) : w_{lo, mid, hi} {}
    static Wide FromU64(std::uint64_t v) {
        return Wide(static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32), 0);
    }

    std::uint32_t limb(int i) const { return w_[i]; }
    bool IsZero() const {
        for (auto x : w_)
            if (x) return false;
        return true;
    }
    bool Fits96() const {
        for (int i = 3; i < Limbs; ++i)
            if (w_[i]) return false;
        return true;
    }
    bool FitsU64() const {
        for (int i = 2; i < Limbs; ++i)
            if (w_[i]) return false;
        return true;
    }
    std::uint64_t ToU64() const { return (std::uint64_t{w_[1]} << 32) | w_[0]; }
    bool IsOdd() const { return w_[0] & 1; }

    void MulSmall(std::uint32_t m) {
        std::uint64_t carry = 0;
        for (auto& x : w_) {
            const std::uint64_t t = std::uint64_t{x} * m + carry;
            x = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
    }
    void MulPow10(int e) {
        for (; e >= 9; e -= 9) MulSmall(1000000000u);
        for (; e > 0; --e) MulSmall(10);
    }
    // Divides in place and returns the remainder.
    std::uint32_t DivSmall(std::uint32_t d) {
        std::uint64_t rem = 0;
        for (int i = Limbs - 1; i >= 0; --i) {
            const std::uint64_t cur = (rem << 32) | w_[i];
            w_[i] = static_cast<std::uint32_t>(cur / d);
            rem = cur % d;
        }
        return static_cast<std::uint32_t>(rem);
    }
    void Add(const Wide& o) {
        std::uint64_t carry = 0;
        for (int i = 0; i < Limbs; ++i) {
            const std::uint64_t t = std::uint64_t{w_[i]} + o.w_[i] + carry;
            w_[i] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
    }
    // Requires *this >= o.
    void Sub(const Wide& o) {
        std::int64_t borrow = 0;
        for (int i = 0; i < Limbs; ++i) {
            std::int64_t t = std::int64_t{w_[i]} - o.w_[i] - borrow;
            borrow = t < 0;
            w_[i] = static_cast<std::uint32_t>(t + (borrow << 32));
        }
    }
    static Wide Mul(const Wide& a, const Wide& b) {
        Wide r;
        for (int i = 0; i < Limbs; ++i) {
            std::uint64_t carry = 0;
            for (int j = 0; i + j < Limbs; ++j) {
                const std::uint64_t t = std::uint64_t{a.w_[i]} * b.w_[j] + r.w_[i + j] + carry;
                r.w_[i + j] = static_cast<std::uint32_t>(t);
                carry = t >> 32;
            }
        }
        return r;
    }
    int BitLength() const {
        for (int i = Limbs - 1; i >= 0; --i)
            if (w_[i])
                for (int b = 31; b >= 0; --b)
                    if (w_[i] >> b & 1) return i * 32 + b + 1;
        return 0;
    }
    bool Bit(int n) const { return w_[n / 32] >> (n % 32) & 1; }
    void ShiftLeft1() {
        for (int i = Limbs - 1; i > 0; --i) w_[i] = (w_[i] << 1) | (w_[i - 1] >> 31);
        w_[0] <<= 1;
    }
    // Long division bit by bit: the numbers are few and small, clarity wins.
    static void DivMod(const Wide& n, const Wide& d, Wide& q, Wide& r) {
        q = Wide();
        r = Wide();
        for (int b = n.BitLength() - 1; b >= 0; --b) {
            r.ShiftLeft1();
            if (n.Bit(b)) r.w_[0] |= 1;
            q.ShiftLeft1();
            if (r >= d) {
                r.Sub(d);
                q.w_[0] |= 1;
            }
        }
    }
    friend std::strong_ordering operator<=>(const Wide& a, const Wide& b) {
        for (int i = Limbs - 1; i >= 0; --i)
            if (a.w_[i] != b.w_[i]) return a.w_[i] <=> b.w_[i];
        return std::strong_ordering::equal;
    }

private:
    std::array<std::uint32_t, Limbs> w_{};
};

// What was cut off below the last kept place, compared with half a unit of that place.
enum class Tail { Zero, BelowHalf, Half, AboveHalf };

// One more digit cut off, above the part already described by `below`.
Tail Cut(std::uint32_t digit, Tail below) {
    if (digit > 5) return Tail::AboveHalf;
    if (digit == 5) return below == Tail::Zero ? Tail::Half : Tail::AboveHalf;
    return digit == 0 && below == Tail::Zero ? Tail::Zero : Tail::BelowHalf;
}

Tail TailOfRemainder(const Wide& remainder, const Wide& divisor) {
    if (remainder.IsZero()) return Tail::Zero;
    Wide twice = remainder;
    twice.MulSmall(2);
    const auto c = twice <=> divisor;
    return c < 0 ? Tail::BelowHalf : c == 0 ? Tail::Half : Tail::AboveHalf;
}

Wide Pow10(int e) {
    Wide p(1, 0, 0);
    p.MulPow10(e);
    return p;
}

}  // namespace

struct DecimalAccess {
    static Wide Mantissa(const Decimal& d) { return Wide(d.lo_, d.mid_, d.hi_); }

    // The number magnitude / 10^scale (plus the cut-off tail), brought into range:
    // places are dropped, rounding half to even, until at most 28 remain and the
    // mantissa fits 96 bits. Nothing when even zero places do not fit.
    static std::optional<Decimal> Fit(Wide magnitude, int scale, Tail tail, bool negative) {
        for (;;) {
            while (scale > Decimal::MaxScale || (!magnitude.Fits96() && scale > 0)) {
                tail = Cut(magnitude.DivSmall(10), tail);
                --scale;
            }
            if (!magnitude.Fits96()) return std::nullopt;
            if (tail == Tail::AboveHalf || (tail == Tail::Half && magnitude.IsOdd())) {
                magnitude.Add(Wide(1, 0, 0));
                tail = Tail::Zero;
                if (!magnitude.Fits96()) continue;  // only 2^96 itself: one place fewer
            }
            break;
        }
        // Canonical form: no trailing zero places, no negative zero.
        while (scale > 0) {
            Wide shorter = magnitude;
            if (shorter.DivSmall(10) != 0) break;
            magnitude = shorter;
            --scale;
        }
        Decimal d;
        d.lo_ = magnitude.limb(0);
        d.mid_ = magnitude.limb(1);
        d.hi_ = magnitude.limb(2);
        d.scale_ = static_cast<std::uint8_t>(scale);
        d.negative_ = negative && !magnitude.IsZero();
        return d;
    }

    // Both mantissas raised to the larger scale, so they can be compared or added.
    static void Align(const Decimal& a, const Decimal& b, Wide& ma, Wide& mb, int& scale) {
        ma = Mantissa(a);
        mb = Mantissa(b);
        scale = a.scale_ > b.scale_ ? a.scale_ : b.scale_;
        ma.MulPow10(scale - a.scale_);
        mb.MulPow10(scale - b.scale_);
    }

    static std::optional<Decimal> SignedSum(const Decimal& a, const Decimal& b, bool negateB) {
        Wide ma, mb;
        int scale;
        Align(a, b, ma, mb, scale);
        const bool na = a.negative_;
        const bool nb = b.negative_ != negateB;
        if (na == nb) {
            ma.Add(mb);
            return Fit(ma, scale, Tail::Zero, na);
        }
        if (ma >= mb) {
            ma.Sub(mb);
            return Fit(ma, scale, Tail::Zero, na);
        }
        mb.Sub(ma);
        return Fit(mb, scale, Tail::Zero, nb);
    }

    static std::optional<Decimal> Multiply(const Decimal& a, const Decimal& b) {
        return Fit(Wide::Mul(Mantissa(a), Mantissa(b)), a.scale_ + b.scale_, Tail::Zero, a.negative_ != b.negative_);
    }

    static std::optional<Decimal> Divide(const Decimal& a, const Decimal& b) {
        const Wide divisor = Mantissa(b);
        if (divisor.IsZero()) return std::nullopt;
        // Quotient at 28 places: a.m / 10^a.s / (b.m / 10^b.s) * 10^28.
        Wide numerator = Mantissa(a);
        numerator.MulPow10(Decimal::MaxScale + b.scale_ - a.scale_);
        Wide q, r;
        Wide::DivMod(numerator, divisor, q, r);
        return Fit(q, Decimal::MaxScale, TailOfRemainder(r, divisor), a.negative_ != b.negative_);
    }

    static std::string Digits(Wide m) {
        std::string s;
        do s.insert(s.begin(), static_cast<char>('0' + m.DivSmall(10)));
        while (!m.IsZero());
        return s;
    }
};

Decimal Decimal::FromInteger(std::int64_t value) {
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    return *DecimalAccess::Fit(Wide::FromU64(magnitude), 0, Tail::Zero, negative);
}

std::optional<Decimal> Decimal::FromDouble(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    if (value == 0) return Decimal();
    // d.dddddddddddddde±x: the 15 significant digits, then where the point goes.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    if (res.ec != std::errc()) return std::nullopt;
    const std::string_view text(buf, res.ptr - buf);
    const bool negative = text.front() == '-';
    std::uint64_t digits = 0;
    std::size_t i = negative ? 1 : 0;
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (text[i] != '.') digits = digits * 10 + static_cast<std::uint64_t>(text[i] - '0');
    int exponent = 0;
    const auto exp = std::from_chars(text.data() + i + 1 + (text[i + 1] == '+'), text.data() + text.size(), exponent);
    if (exp.ec != std::errc()) return std::nullopt;
    Wide m = Wide::FromU64(digits);
    int scale = 14 - exponent;
    if (scale < 0) {
        if (-scale > 40) return std::nullopt;  // far beyond 2^96 whatever the digits
        m.MulPow10(-scale);
        scale = 0;
    }
    return DecimalAccess::Fit(m, scale, Tail::Zero, negative);
}

std::optional<Decimal> Decimal::Parse(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // More significant digits than this cannot fit at any scale; what follows them in
    // the fraction only decides the rounding.
    constexpr int KeptDigits = 40;
    Wide m;
    int kept = 0, scale = 0, digitCount = 0;
    bool inFraction = false;
    int firstCut = -1;
    bool cutSticky = false;
    for (char c : text) {
        if (c == '.' || c == ',') {
            if (inFraction) return std::nullopt;
            inFraction = true;
            continue;
        }
        if (c < '0' || c > '9') return std::nullopt;
        ++digitCount;
        const auto digit = static_cast<std::uint32_t>(c - '0');
        if (kept < KeptDigits) {
            m.MulSmall(10);
            m.Add(Wide(digit, 0, 0));
            if (kept > 0 || digit != 0) ++kept;
            if (inFraction) ++scale;
        } else if (!inFraction) {
            return std::nullopt;
        } else if (firstCut < 0) {
            firstCut = static_cast<int>(digit);
        } else {
            cutSticky = cutSticky || digit != 0;
        }
    }
    if (digitCount == 0) return std::nullopt;
    Tail tail = Tail::Zero;
    if (firstCut >= 0) tail = Cut(static_cast<std::uint32_t>(firstCut), cutSticky ? Tail::BelowHalf : Tail::Zero);
    return DecimalAccess::Fit(m, scale, tail, negative);
}

std::optional<Decimal> Decimal::Add(const Decimal& a, const Decimal& b) {
    return DecimalAccess::SignedSum(a, b, false);
}
std::optional<Decimal> Decimal::Subtract(const Decimal& a, const Decimal& b) {
    return DecimalAccess::SignedSum(a, b, true);
}
std::optional<Decimal> Decimal::Multiply(const Decimal& a, const Decimal& b) { return DecimalAccess::Multiply(a, b); }
std::optional<Decimal> Decimal::Divide(const Decimal& a, const Decimal& b) { return DecimalAccess::Divide(a, b); }

std::string Decimal::Format(char decimalSeparator) const {
    std::string digits = DecimalAccess::Digits(DecimalAccess::Mantissa(*this));
    if (digits.size() <= scale_) digits.insert(0, scale_ + 1 - digits.size(), '0');
    if (scale_ > 0) digits.insert(digits.end() - scale_, decimalSeparator);
    return negative_ ? "-" + digits : digits;
}

double Decimal::ToDouble() const {
    // Through text, so the conversion is rounded once and correctly.
    const std::string text =
        (negative_ ? "-" : "") + DecimalAccess::Digits(DecimalAccess::Mantissa(*this)) + "e-" + std::to_string(scale_);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::optional<std::int64_t> Decimal::RoundToInteger() const {
    const Wide unit = Pow10(scale_);
    Wide q, r;
    Wide::DivMod(DecimalAccess::Mantissa(*this), unit, q, r);
    const Tail tail = TailOfRemainder(r, unit);
    if (tail == Tail::AboveHalf || (tail == Tail::Half && q.IsOdd())) q.Add(Wide(1, 0, 0));
    if (!q.FitsU64()) return std::nullopt;
    const std::uint64_t magnitude = q.ToU64();
    if (negative_) {
        if (magnitude > std::uint64_t{1} << 63) return std::nullopt;
        return static_cast<std::int64_t>(0 - magnitude);
    }
    if (magnitude > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
    return static_cast<std::int64_t>(magnitude);
}
