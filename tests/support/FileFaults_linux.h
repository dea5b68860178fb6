// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/mount.h>

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
