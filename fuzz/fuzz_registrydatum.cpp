// SPDX-License-Identifier: GPL-3.0-or-later
// The registry conversions: any stored text converts without harm to what each reader
// expects, and every number the program writes reads back as the same number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "RegistryDatum.h"
#include "modRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const RegistryDatum datum = RegistryDatum::Text(text);
    (void)AsSmallInteger(datum);
    FUZZ_CHECK(std::isfinite(AsPosition(datum)));
    if (EqualsEmptyText(datum)) FUZZ_CHECK(EqualsNumberZero(datum) && !AsFlag(datum));
    if (const auto number = ParseStoredNumber(text))
        FUZZ_CHECK(std::isfinite(*number) && AsFlag(datum) == (*number != 0));

    // What a write stores as text reads back as the number written, in either notation; a
    // number that is exactly a float is written as that float, as positions are floats.
    double number = 0;
    if (size < sizeof number) return 0;
    std::memcpy(&number, data, sizeof number);
    if (!std::isfinite(number)) return 0;
    const auto narrow = static_cast<float>(number);
    for (char separator : {'.', ','}) {
        const auto read = ParseStoredNumber(RegistryValue(number).TextForm(separator));
        FUZZ_CHECK(read &&
                   (static_cast<double>(narrow) == number ? static_cast<float>(*read) == narrow : *read == number));
    }
    return 0;
}
