#include "settings/PrivateFiles_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
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

fs::path FolderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}
}  // namespace

ReadResult ReadWhole(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed, {}};
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
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
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
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = file.string() + ".corrupt-" + stamp;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path copy = attempt == 0 ? base : base + "-" + std::to_string(attempt);
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

ExclusiveLock::ExclusiveLock(const fs::path& lockFile) {
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        ::close(fd_);
        fd_ = -1;
        return;
    }
}

ExclusiveLock::~ExclusiveLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace privatefiles
