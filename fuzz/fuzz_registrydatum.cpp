// SPDX-License-Identifier: GPL-3.0-or-later
// The registry conversions: any stored text converts without harm, and every number the
// program writes reads back as the same number, in either notation (a number that is
// exactly a float as that float: positions are floats).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "RegistryDatum.h"
#include "modRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RegistryDatum datum = RegistryDatum::Text(std::string(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(std::isfinite(AsPosition(datum)) && (AsSmallInteger(datum) == 0 || !EqualsNumberZero(datum)));
    double number = 0;
    if (size >= sizeof number) std::memcpy(&number, data, sizeof number);
    const auto narrow = static_cast<float>(number);
    for (char separator : {'.', ','}) {
        const auto read = ParseStoredNumber(RegistryValue(number).TextForm(separator));
        FUZZ_CHECK(!std::isfinite(number) ||
                   (read && (narrow == number ? static_cast<float>(*read) == narrow : *read == number)));
    }
    return 0;
}
