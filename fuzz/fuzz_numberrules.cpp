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
    const double leading = LeadingNumber(std::string(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(std::isfinite(leading) && LeadingNumber(NormalForm(leading)) == leading);
    double raw = 0;
    if (size >= sizeof raw) std::memcpy(&raw, data, sizeof raw);
    const double back = LeadingNumber(NormalForm(raw));
    FUZZ_CHECK(std::isfinite(back) && (back == raw || !std::isfinite(raw)));
    return 0;
}
