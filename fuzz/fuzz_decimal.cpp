// SPDX-License-Identifier: GPL-3.0-or-later
// The decimal type: a parsed number formats and parses back to itself with either separator; arithmetic on two parsed
// numbers stays defined and agrees with the order. The input is two texts separated by the first newline.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "Decimal.h"
#include "FuzzCheck.h"

namespace {

void CheckRoundTrip(const std::optional<Decimal>& d) {
    if (!d) return;
    for (char separator : {'.', ','}) FUZZ_CHECK(Decimal::Parse(d->Format(separator)) == d);
    FUZZ_CHECK(std::isfinite(d->ToDouble()) && d->Scale() >= 0 && d->Scale() <= Decimal::MaxScale);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto cut = input.find('\n');
    const auto a = Decimal::Parse(input.substr(0, cut));
    const auto b = cut == std::string_view::npos ? std::nullopt : Decimal::Parse(input.substr(cut + 1));
    CheckRoundTrip(a);
    if (a) (void)a->RoundToInteger();
    if (a && b) {
        for (const auto& result : {Decimal::Add(*a, *b), Decimal::Multiply(*a, *b), Decimal::Divide(*a, *b)})
            CheckRoundTrip(result);
        FUZZ_CHECK(Decimal::Add(*a, *b) == Decimal::Add(*b, *a) &&
                   Decimal::Multiply(*a, *b) == Decimal::Multiply(*b, *a));
        FUZZ_CHECK(!b->IsZero() || !Decimal::Divide(*a, *b));
        // Both operands hold at most 28 places, so their exact difference is a whole number of the smallest unit:
        // rounding cannot turn it into zero or flip its sign.
        if (const auto difference = Decimal::Subtract(*a, *b)) {
            CheckRoundTrip(difference);
            FUZZ_CHECK(difference->IsZero() == (*a == *b) &&
                       (difference->IsZero() || difference->IsNegative() == (*a < *b)));
        }
    }
    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        const auto d = Decimal::FromDouble(raw);
        CheckRoundTrip(d);
        FUZZ_CHECK(d || !std::isfinite(raw) || std::fabs(raw) >= 7.9e28);
    }
    return 0;
}
