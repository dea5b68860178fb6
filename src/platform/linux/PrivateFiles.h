// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Small POSIX file helpers for stores that must never lose or tear what they hold.
namespace privatefiles {

// Failed: something that is not a regular file (a folder, a FIFO, a device), or a read
// error. TooLarge: more than MaxReadBytes; nothing of it is read.
enum class ReadOutcome { Ok, Missing, Failed, TooLarge };
struct ReadResult {
    ReadOutcome outcome;
    std::string content;
};
inline constexpr std::size_t MaxReadBytes = 1 << 20;

class FileVersion;
// With a version given, a file read whole (Ok) is kept in it, else the version is forgotten.
ReadResult ReadWhole(const std::filesystem::path& file, FileVersion* version = nullptr);

// A regular file as it was read, so that a later look can tell with one stat whether the
// path still names it unchanged (device, inode, size, mtime and ctime to the nanosecond).
// The file is kept open, so its inode number cannot pass to another file meanwhile: a
// writer that replaces it by rename is always seen, and one that writes in place changes
// its ctime. A file changed shortly before it was read could change again under the same
// times (the kernel stamps them with the last clock tick's time): it is not kept.
class FileVersion {
public:
    FileVersion() = default;
    ~FileVersion();
    FileVersion(const FileVersion&) = delete;
    FileVersion& operator=(const FileVersion&) = delete;

    // Whether a file was kept and the path names it still, unchanged since: one stat.
    bool Current(const std::filesystem::path& file) const;

private:
    friend ReadResult ReadWhole(const std::filesystem::path& file, FileVersion* version);
    void Forget();
    int fd_ = -1;
    struct stat seen_ {};
};

// Creates the folder and any missing folder above it with the given mode; true when
// it is a folder afterwards. Existing folders keep their mode.
bool EnsureFolder(const std::filesystem::path& folder, mode_t mode);

// Whether the effective user may create and replace files in the folder: it exists and
// is writable, or it does not exist yet and the nearest existing folder above it is.
bool MayWriteInto(const std::filesystem::path& folder);

// Replaces the file's content all at once: a temporary file beside it is written,
// flushed and renamed over it, so readers see the old content or the new, never a mix.
// The temporary file is named by TemporaryPrefix.
bool ReplaceAtomically(const std::filesystem::path& file, std::string_view content, mode_t mode);
std::string TemporaryPrefix(const std::filesystem::path& file);
// Removes temporary files that a writer killed before its rename left behind. Call it
// only while holding the lock that every writer of the file takes.
void RemoveStrayTemporaries(const std::filesystem::path& file);

// Writes the content to a new file named "<file>.corrupt-<local time>" (with "-N"
// added when that exists). Returns its path, or nullopt when nothing could be written.
std::optional<std::filesystem::path> KeepCopyAside(const std::filesystem::path& file, std::string_view content);
// Gives the file itself that name too, without reading or copying it (a hard link, or a
// rename where the file system has none). Returns the new name, or nullopt.
std::optional<std::filesystem::path> SetAside(const std::filesystem::path& file);

// An exclusive advisory lock (flock) on a lock file, held for the object's lifetime.
// The lock file stays: removing it would let two writers lock two different files. A
// symbolic link in its place is never followed (it could create or open a file
// elsewhere); it is replaced by a lock file. A holder that keeps the lock longer than
// `wait` (hung, or stopped in a debugger) leaves the lock not held, rather than freezing
// the caller.
class ExclusiveLock {
public:
    ExclusiveLock(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace privatefiles
