// SPDX-License-Identifier: GPL-3.0-or-later
// The hive text parser and writer: any text parses without harm, and what the writer
// makes of the result parses back, complete, to the same hive and the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "HiveDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto first = HiveDocument::Parse({reinterpret_cast<const char*>(data), size}, "HKEY_CURRENT_USER");
    const std::string written = first.document.Format();
    const auto second = HiveDocument::Parse(written, "HKEY_CURRENT_USER");
    FUZZ_CHECK(second.wellFormed && second.document == first.document && second.document.Format() == written);
    return 0;
}
