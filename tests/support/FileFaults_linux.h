// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/mount.h>

#include <cstddef>
#include <filesystem>
#include <utility>

// Refuses every write into the folder while the object lives, even to root: a read-only
// bind mount of the folder over itself. Active() is false where the process may not mount.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder) : dir_(std::move(folder)) {
        mounted_ = ::mount(dir_.c_str(), dir_.c_str(), nullptr, MS_BIND, nullptr) == 0;
        active_ = mounted_ && ::mount(nullptr, dir_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyFolder() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool Active() const { return active_; }

private:
    std::filesystem::path dir_;
    bool mounted_ = false, active_ = false;
};

// A folder on a file system of its own that holds two pages, empty while the object lives: a file of Bytes() does not
// fit beside anything else.
class TinyFolder {
public:
    explicit TinyFolder(std::filesystem::path folder) : dir_(std::move(folder)) {
        active_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=8k,mode=0700") == 0;
    }
    ~TinyFolder() {
        if (active_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool Active() const { return active_; }
    static std::size_t Bytes() { return 8192; }

private:
    std::filesystem::path dir_;
    bool active_ = false;
};
