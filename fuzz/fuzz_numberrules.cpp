// SPDX-License-Identifier: GPL-3.0-or-later
// The leading number of any text is finite, and its normal form reads back as the
// same number; so does the normal form of any finite double.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "NumberRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double leading = LeadingNumber(text);
    FUZZ_CHECK(std::isfinite(leading));
    const std::string normal = NormalForm(leading);
    FUZZ_CHECK(!normal.empty() && normal.front() != ' ');
    FUZZ_CHECK(LeadingNumber(normal) == leading);

    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        const std::string form = NormalForm(raw);
        if (std::isfinite(raw))
            FUZZ_CHECK(LeadingNumber(form) == raw);
        else
            FUZZ_CHECK(std::isfinite(LeadingNumber(form)));
    }
    return 0;
}
