// SPDX-License-Identifier: GPL-3.0-or-later
// The registry conversions: any stored text converts without harm to what each reader
// expects, and every number the program writes reads back as the same number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "FuzzCheck.h"
#include "RegistryDatum.h"
#include "modRegistry.h"

namespace {

void Convert(const RegistryDatum& d) {
    (void)AsText(d);
    (void)AsSmallInteger(d);
    (void)AsFlag(d);
    FUZZ_CHECK(std::isfinite(AsPosition(d)));
    const bool zero = EqualsNumberZero(d);
    const bool empty = EqualsEmptyText(d);
    if (empty) FUZZ_CHECK(AsText(d).empty() && zero && !AsFlag(d));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const RegistryDatum datum = RegistryDatum::Text(text);
    Convert(datum);
    if (const auto number = ParseStoredNumber(text)) {
        FUZZ_CHECK(std::isfinite(*number));
        FUZZ_CHECK(AsFlag(datum) == (*number != 0));
    }

    if (size >= sizeof(std::int32_t)) {
        std::int32_t integer = 0;
        std::memcpy(&integer, data, sizeof integer);
        const RegistryDatum dword = RegistryDatum::Integer(integer);
        Convert(dword);
        FUZZ_CHECK(ParseStoredNumber(AsText(dword)) == static_cast<double>(integer));
    }

    // What a write stores as text reads back as the number written, in either notation.
    if (size >= sizeof(double)) {
        double number = 0;
        std::memcpy(&number, data, sizeof number);
        if (std::isfinite(number)) {
            for (char separator : {'.', ','}) {
                const std::string stored = RegistryValue(number).TextForm(separator);
                const auto read = ParseStoredNumber(stored);
                FUZZ_CHECK(read.has_value());
                const auto narrow = static_cast<float>(number);
                // A number that is exactly a float is written as that float (positions are
                // floats widened on their way in), so it reads back as the same float.
                if (static_cast<double>(narrow) == number)
                    FUZZ_CHECK(static_cast<float>(*read) == narrow);
                else
                    FUZZ_CHECK(*read == number);
                if (std::isfinite(narrow)) {
                    const std::string position = RegistryValue(narrow).TextForm(separator);
                    FUZZ_CHECK(AsPosition(RegistryDatum::Text(position)) == narrow);
                }
                const double whole = RoundHalfEven(number);
                if (whole >= std::numeric_limits<std::int16_t>::min() &&
                    whole <= std::numeric_limits<std::int16_t>::max())
                    FUZZ_CHECK(AsSmallInteger(RegistryDatum::Text(stored)) == static_cast<std::int16_t>(whole));
            }
        }
    }
    return 0;
}
