// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

// A fresh private folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir() {
        std::string name = (std::filesystem::temp_directory_path() / "voltara-test-XXXXXX").string();
        path_ = ::mkdtemp(name.data()) ? name : throw std::runtime_error("cannot make a folder for the test");
    }
    ~TempDir() { std::filesystem::remove_all(path_, error_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::error_code error_;
};
