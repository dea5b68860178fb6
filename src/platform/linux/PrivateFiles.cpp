// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/PrivateFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <thread>
#include <vector>

namespace privatefiles {
namespace fs = std::filesystem;

namespace {
bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

fs::path FolderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

constexpr int kAsideAttempts = 1000;

// "<file>.corrupt-<local date>-<time>"; AsideName adds "-N" for the N-th attempt.
std::string AsideBase(const fs::path& file) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return file.string() + ".corrupt-" + stamp;
}

fs::path AsideName(const std::string& base, int attempt) {
    return attempt == 0 ? fs::path(base) : fs::path(base + "-" + std::to_string(attempt));
}

std::int64_t Nanoseconds(const timespec& t) { return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; }

// Whether a change made after `now` is bound to give the file other times than `changed`:
// the kernel stamps a change with the time of the last clock tick (CLOCK_REALTIME_COARSE;
// newer kernels stamp finer, which only makes times differ sooner), rounded down to what
// the file system keeps: at worst 10 ms where it keeps fractions of a second, and 2 s
// (FAT) where it keeps whole seconds only.
bool SettledBefore(const timespec& changed, const timespec& now) {
    const std::int64_t grain = changed.tv_nsec == 0 ? 2000000000 : 10000000;
    return Nanoseconds(changed) + grain <= Nanoseconds(now);
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }
}  // namespace

FileVersion::~FileVersion() { Forget(); }

void FileVersion::Forget() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileVersion::Current(const fs::path& file) const {
    if (fd_ < 0) return false;
    struct stat now {};
    return ::stat(file.c_str(), &now) == 0 && now.st_dev == seen_.st_dev && now.st_ino == seen_.st_ino &&
           now.st_size == seen_.st_size && SameTime(now.st_mtim, seen_.st_mtim) && SameTime(now.st_ctim, seen_.st_ctim);
}

ReadResult ReadWhole(const fs::path& file, FileVersion* version) {
    if (version) version->Forget();
    timespec started{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &started);
    // Non-blocking, so that a FIFO put in the file's place cannot hold the reader up.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed, {}};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {ReadOutcome::Failed, {}};
    }
    if (static_cast<std::uintmax_t>(st.st_size) > MaxReadBytes) {
        ::close(fd);
        return {ReadOutcome::TooLarge, {}};
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return {ReadOutcome::Failed, {}};
        }
        if (n == 0) break;
        // The size said otherwise, or the file grew while it was read.
        if (content.size() + static_cast<std::size_t>(n) > MaxReadBytes) {
            ::close(fd);
            return {ReadOutcome::TooLarge, {}};
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    if (version && SettledBefore(st.st_ctim, started)) {
        version->fd_ = fd;
        version->seen_ = st;
    } else {
        ::close(fd);
    }
    return {ReadOutcome::Ok, std::move(content)};
}

bool EnsureFolder(const fs::path& folder, mode_t mode) {
    if (folder.empty()) return true;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    if (errno != ENOENT) return false;
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder && !EnsureFolder(parent, mode)) return false;
    if (::mkdir(folder.c_str(), mode) != 0 && errno != EEXIST) return false;
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MayWriteInto(const fs::path& folder) {
    fs::path probe = folder.empty() ? fs::path(".") : folder;
    for (;;) {
        struct stat st {};
        if (::stat(probe.c_str(), &st) == 0)
            return S_ISDIR(st.st_mode) && ::faccessat(AT_FDCWD, probe.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
        if (errno != ENOENT) return false;
        const fs::path parent = probe.parent_path();
        if (parent.empty() || parent == probe) return false;
        probe = parent;
    }
}

std::string TemporaryPrefix(const fs::path& file) { return "." + file.filename().string() + ".tmp-"; }

bool ReplaceAtomically(const fs::path& file, std::string_view content, mode_t mode) {
    const fs::path folder = FolderOf(file);
    std::string name = (folder / (TemporaryPrefix(file) + "XXXXXX")).string();
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const fs::path temporary(pattern.data());
    const bool written = ::fchmod(fd, mode) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

void RemoveStrayTemporaries(const fs::path& file) {
    const fs::path folder = FolderOf(file);
    const std::string prefix = TemporaryPrefix(file);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> strays;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) strays.push_back(name);
    }
    ::closedir(dir);
    for (const auto& name : strays) ::unlink((folder / name).c_str());
}

std::optional<fs::path> KeepCopyAside(const fs::path& file, std::string_view content) {
    const std::string base = AsideBase(file);
    for (int attempt = 0; attempt < kAsideAttempts; ++attempt) {
        const fs::path copy = AsideName(base, attempt);
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return std::nullopt;
        }
        const bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !ok) {
            ::unlink(copy.c_str());
            return std::nullopt;
        }
        SyncFolder(FolderOf(file));
        return copy;
    }
    return std::nullopt;
}

std::optional<fs::path> SetAside(const fs::path& file) {
    const std::string base = AsideBase(file);
    for (int attempt = 0; attempt < kAsideAttempts; ++attempt) {
        const fs::path aside = AsideName(base, attempt);
        if (::link(file.c_str(), aside.c_str()) == 0 ||
            (errno != EEXIST && ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)) {
            SyncFolder(FolderOf(file));
            return aside;
        }
        if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

ExclusiveLock::ExclusiveLock(const fs::path& lockFile, std::chrono::milliseconds wait) {
    constexpr int kFlags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
    fd_ = ::open(lockFile.c_str(), kFlags, 0600);
    if (fd_ < 0 && errno == ELOOP && ::unlink(lockFile.c_str()) == 0) fd_ = ::open(lockFile.c_str(), kFlags, 0600);
    if (fd_ < 0) return;
    // flock has no time limit of its own: ask without blocking, and again after a pause
    // that grows from 1 ms to 50 ms, until the wait is over.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

ExclusiveLock::~ExclusiveLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace privatefiles
