// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

// A fresh private folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        for (std::random_device rd; !std::filesystem::create_directory(
                 path_ = std::filesystem::temp_directory_path() / ("voltara-test-" + std::to_string(rd())));) {
        }
    }
    ~TempDir() { std::filesystem::remove_all(path_, error_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::error_code error_;
};
