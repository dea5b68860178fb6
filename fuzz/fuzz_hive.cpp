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
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto first = HiveDocument::Parse(text, "HKEY_CURRENT_USER");
    const std::string written = first.document.Format();

    const auto second = HiveDocument::Parse(written, "HKEY_CURRENT_USER");
    FUZZ_CHECK(second.wellFormed);
    FUZZ_CHECK(second.document == first.document);
    FUZZ_CHECK(second.document.Format() == written);

    // Whatever could be read stays reachable by the names the hive lists.
    for (const std::string& path : first.document.KeyPaths()) {
        FUZZ_CHECK(first.document.HasKey(path));
        for (const std::string& name : first.document.ValueNames(path))
            FUZZ_CHECK(second.document.FindValue(path, name) != nullptr);
    }
    return 0;
}
