// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

// Refuses every write into the folder while the object lives: a read-only bind mount of
// the folder over itself where the process may mount (root, to whom permissions mean
// nothing), else the folder's write permission taken away. Active() is false when
// neither works here.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        if (::geteuid() != 0) {
            active_ = chmodded_ = ::chmod(folder_.c_str(), 0500) == 0;
            return;
        }
        mounted_ = ::mount(folder_.c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) == 0;
        active_ =
            mounted_ && ::mount(nullptr, folder_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyFolder() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
        if (chmodded_) ::chmod(folder_.c_str(), 0700);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    bool Active() const { return active_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false, chmodded_ = false, active_ = false;
};
