// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Folders that fail the way real ones do, for fault tests on Linux.
#include <errno.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

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
    bool mounted_ = false;
    bool chmodded_ = false;
    bool active_ = false;
};

// A file system of its own, a tmpfs of the given size, mounted on the folder while the
// object lives. Needs the right to mount (root); Active() tells.
class SmallFileSystem {
public:
    SmallFileSystem(std::filesystem::path folder, const std::string& size) : folder_(std::move(folder)) {
        std::filesystem::create_directories(folder_);
        const std::string options = "size=" + size + ",mode=0700";
        active_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (active_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool Active() const { return active_; }

    // Takes every free byte with one file; true when the file system is full afterwards.
    bool FillUp(const std::string& name = "filler") const {
        const int fd = ::open((folder_ / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        const std::string block(4096, 'f');
        ssize_t n = 0;
        while ((n = ::write(fd, block.data(), block.size())) > 0) {
        }
        const bool full = n < 0 && errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    std::filesystem::path folder_;
    bool active_ = false;
};
