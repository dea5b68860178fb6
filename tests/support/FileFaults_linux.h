// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/mount.h>

#include <filesystem>
#include <utility>

// A mount over a folder while the object lives; Active() is false where the process may not mount. ReadOnly binds the
// folder over itself read-only, refusing every write into it, even root's; Tiny puts an empty file system of 8 KiB
// in its place.
class FolderMount {
public:
    enum Kind { ReadOnly, Tiny };
    FolderMount(std::filesystem::path folder, Kind kind) : dir_(std::move(folder)) {
        mounted_ = kind == Tiny ? ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=8k,mode=0700") == 0
                                : ::mount(dir_.c_str(), dir_.c_str(), nullptr, MS_BIND, nullptr) == 0;
        active_ = mounted_ && (kind == Tiny ||
                               ::mount(nullptr, dir_.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0);
    }
    ~FolderMount() {
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool Active() const { return active_; }

private:
    std::filesystem::path dir_;
    bool mounted_ = false, active_ = false;
};
