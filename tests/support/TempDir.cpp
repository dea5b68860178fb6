// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempDir.h"

#include <random>
#include <system_error>

TempDir::TempDir() {
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto candidate = base / ("voltara-test-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
        if (ec && ec != std::errc::file_exists) throw std::filesystem::filesystem_error("TempDir", candidate, ec);
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}
