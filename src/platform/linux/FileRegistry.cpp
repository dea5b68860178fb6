// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/FileRegistry.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Log.h"
#include "linux/PrivateFiles.h"

namespace fs = std::filesystem;

namespace {
constexpr std::uint32_t KEY_QUERY_VALUE = 0x1;
constexpr std::uint32_t KEY_SET_VALUE = 0x2;
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x4;
constexpr std::uint32_t KEY_CREATE_LINK = 0x20;
constexpr std::uint32_t kWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;
// Another writer holds the lock for milliseconds; one that holds it longer is hung, and
// the window must not freeze with it.
constexpr std::chrono::milliseconds kLockWait{2000};
// The Run key's spelling when one of its other values first brings it into the file.
constexpr const char* kRunKeySpelling = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

const char* RootName(reg::Hive hive) {
    return hive == reg::Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

bool ContentIsBlank(const std::string& content) { return content.find_first_not_of(" \t\r\n") == std::string::npos; }

// Hands out a value the way RegQueryValueExA does: type and size always, the bytes
// only when a buffer is given and big enough.
reg::Status Answer(std::uint32_t valueType, const std::uint8_t* bytes, std::uint32_t count, std::uint32_t* type,
                   std::uint8_t* data, std::uint32_t* size) {
    if (data && !size) return reg::ERROR_INVALID_PARAMETER;
    if (type) *type = valueType;
    if (data) {
        if (*size < count) {
            *size = count;
            return reg::ERROR_MORE_DATA;
        }
        if (count) std::memcpy(data, bytes, count);
    }
    if (size) *size = count;
    return reg::ERROR_SUCCESS;
}

std::optional<fs::path> AbsoluteDir(const std::optional<std::string>& value) {
    if (!value || value->empty() || value->front() != '/') return std::nullopt;
    return fs::path(*value);
}

fs::path HomeFolder(const EnvironmentLookup& lookup) {
    if (auto home = AbsoluteDir(lookup("HOME"))) return *home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    // With no home at all the store cannot be written; reads then find nothing.
    return "/nonexistent";
}
}  // namespace

FileRegistry::FileRegistry(fs::path currentUserFile, fs::path localMachineFile, AutostartRunKey autostart)
    : currentUserFile_(std::move(currentUserFile)),
      localMachineFile_(std::move(localMachineFile)),
      autostart_(std::move(autostart)) {}

const fs::path& FileRegistry::FileOf(reg::Hive hive) const {
    return hive == reg::Hive::CurrentUser ? currentUserFile_ : localMachineFile_;
}

const HiveDocument& FileRegistry::Load(reg::Hive hive) {
    LoadedHive& loaded = hive == reg::Hive::CurrentUser ? currentUser_ : localMachine_;
    if (loaded.version.Current(FileOf(hive))) return loaded.document;
    const auto read = privatefiles::ReadWhole(FileOf(hive), &loaded.version);
    if (read.outcome == privatefiles::ReadOutcome::Failed)
        vlog::Debug(vlog::Area::Settings, "Cannot read " + FileOf(hive).string() + "; its values read as missing");
    else if (read.outcome == privatefiles::ReadOutcome::TooLarge)
        vlog::Debug(vlog::Area::Settings,
                    FileOf(hive).string() + " is too large to be a hive; its values read as missing");
    loaded.document = HiveDocument::Parse(read.content, RootName(hive)).document;
    return loaded.document;
}

bool FileRegistry::KeyExists(reg::Hive hive, const HiveDocument& doc, const std::string& path) const {
    return doc.HasKey(path) || (hive == reg::Hive::LocalMachine && AutostartRunKey::IsRunKeyOrAbove(path));
}

bool FileRegistry::MayWrite(reg::Hive hive, const std::string& path) const {
    // The user's own hive: like HKEY_CURRENT_USER on Windows, always open to its owner;
    // a write that cannot be done fails on its own.
    if (hive == reg::Hive::CurrentUser) return true;
    if (AutostartRunKey::IsRunKey(path)) return autostart_.MayWrite();
    const fs::path& file = localMachineFile_;
    if (!privatefiles::MayWriteInto(file.parent_path())) return false;
    return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0 || errno == ENOENT;
}

reg::KeyHandle FileRegistry::NewHandle(reg::Hive hive, const std::string& path, std::uint32_t access) {
    const reg::KeyHandle handle = nextHandle_++;
    handles_[handle] = Handle{hive, path, access};
    return handle;
}

reg::Status FileRegistry::Modify(reg::Hive hive,
                                 const std::function<reg::Status(HiveDocument&, bool& changed)>& change) {
    const fs::path& file = FileOf(hive);
    if (!privatefiles::EnsureFolder(file.parent_path(), 0700)) {
        vlog::Warning(vlog::Area::Settings, "Cannot create the folder " + file.parent_path().string());
        return reg::ERROR_ACCESS_DENIED;
    }
    privatefiles::ExclusiveLock lock(file.string() + ".lock", kLockWait);
    if (!lock.Held()) {
        vlog::Warning(vlog::Area::Settings, "Cannot lock " + file.string() + ".lock within " +
                                                std::to_string(kLockWait.count()) + " ms; the write is dropped");
        return reg::ERROR_ACCESS_DENIED;
    }
    privatefiles::RemoveStrayTemporaries(file);

    const auto read = privatefiles::ReadWhole(file);
    // A file that exists but cannot be read must not be replaced by what little we know.
    if (read.outcome == privatefiles::ReadOutcome::Failed) return reg::ERROR_ACCESS_DENIED;
    auto parsed = HiveDocument::Parse(read.content, RootName(hive));

    bool changed = false;
    const reg::Status status = change(parsed.document, changed);
    if (status != reg::ERROR_SUCCESS || !changed) return status;

    const std::string text = parsed.document.Format();
    if (text.size() > privatefiles::MaxReadBytes) {
        // Written, it could not be read again: every setting would read as missing.
        vlog::Warning(vlog::Area::Settings,
                      "The settings would not fit in " + file.string() + "; the write is dropped");
        return reg::ERROR_WRITE_FAULT;
    }
    if (read.outcome == privatefiles::ReadOutcome::TooLarge) {
        // Far larger than any hive this program writes, so it was not read: it is kept
        // whole under another name, without a copy, before a fresh file takes its place.
        const auto aside = privatefiles::SetAside(file);
        if (!aside) {
            vlog::Warning(vlog::Area::Settings, "Cannot set " + file.string() + " aside; it is left as it is");
            return reg::ERROR_WRITE_FAULT;
        }
        vlog::Warning(vlog::Area::Settings, file.string() + " was too large to be read; kept as " + aside->string());
    } else if (!parsed.wellFormed && !ContentIsBlank(read.content)) {
        const auto aside = privatefiles::KeepCopyAside(file, read.content);
        if (!aside) {
            vlog::Warning(vlog::Area::Settings,
                          "Cannot keep a copy of the damaged " + file.string() + "; it is left as it is");
            return reg::ERROR_WRITE_FAULT;
        }
        vlog::Warning(vlog::Area::Settings, file.string() + " was damaged; a copy is kept as " + aside->string());
    }
    if (!privatefiles::ReplaceAtomically(file, text, 0600)) {
        vlog::Warning(vlog::Area::Settings, "Cannot write " + file.string());
        return reg::ERROR_WRITE_FAULT;
    }
    return reg::ERROR_SUCCESS;
}

reg::Status FileRegistry::CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                      reg::KeyHandle* out) {
    if (!out || !HiveDocument::IsValidKeyPath(path)) return reg::ERROR_INVALID_PARAMETER;
    if (KeyExists(hive, Load(hive), path)) return OpenExisting(hive, path, access, out);
    if (!MayWrite(hive, path)) return reg::ERROR_ACCESS_DENIED;
    const reg::Status status = Modify(hive, [&](HiveDocument& doc, bool& changed) {
        if (!doc.HasKey(path)) {
            doc.CreateKey(path);
            changed = true;
        }
        return reg::ERROR_SUCCESS;
    });
    if (status != reg::ERROR_SUCCESS) return status;
    *out = NewHandle(hive, path, access);
    return reg::ERROR_SUCCESS;
}

reg::Status FileRegistry::OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                    reg::KeyHandle* out) {
    if (!out || !HiveDocument::IsValidKeyPath(path)) return reg::ERROR_INVALID_PARAMETER;
    if (!KeyExists(hive, Load(hive), path)) return reg::ERROR_FILE_NOT_FOUND;
    return OpenExisting(hive, path, access, out);
}

reg::Status FileRegistry::OpenExisting(reg::Hive hive, const std::string& path, std::uint32_t access,
                                       reg::KeyHandle* out) {
    if ((access & kWriteAccess) && !MayWrite(hive, path)) return reg::ERROR_ACCESS_DENIED;
    *out = NewHandle(hive, path, access);
    return reg::ERROR_SUCCESS;
}

reg::Status FileRegistry::QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* size) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    const Handle& handle = h->second;
    if (!(handle.access & KEY_QUERY_VALUE)) return reg::ERROR_ACCESS_DENIED;

    if (handle.hive == reg::Hive::LocalMachine && AutostartRunKey::IsRunKey(handle.path) &&
        AutostartRunKey::IsEntryName(name)) {
        std::string text;
        const reg::Status status = autostart_.Read(text);
        if (status != reg::ERROR_SUCCESS) return status;
        text.push_back('\0');
        return Answer(reg::REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                      static_cast<std::uint32_t>(text.size()), type, data, size);
    }

    const HiveDocument& doc = Load(handle.hive);
    if (!KeyExists(handle.hive, doc, handle.path)) return reg::ERROR_KEY_DELETED;
    const HiveDocument::Value* value = doc.FindValue(handle.path, name);
    if (!value) return reg::ERROR_FILE_NOT_FOUND;
    return Answer(value->type, value->bytes.data(), static_cast<std::uint32_t>(value->bytes.size()), type, data, size);
}

reg::Status FileRegistry::SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type,
                                     const std::uint8_t* data, std::uint32_t size) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    const Handle handle = h->second;
    if (!(handle.access & KEY_SET_VALUE)) return reg::ERROR_ACCESS_DENIED;
    if ((!data && size) || !HiveDocument::IsValidValueName(name)) return reg::ERROR_INVALID_PARAMETER;
    HiveDocument::Value value{type, std::vector<std::uint8_t>(data, data + size)};

    if (handle.hive == reg::Hive::LocalMachine && AutostartRunKey::IsRunKey(handle.path) &&
        AutostartRunKey::IsEntryName(name)) {
        // The entry file holds one text; anything else has no place in it.
        if (type != reg::REG_SZ) return reg::ERROR_INVALID_PARAMETER;
        std::string text(value.bytes.begin(), value.bytes.end());
        if (!text.empty() && text.back() == '\0') text.pop_back();
        return autostart_.Write(text);
    }

    return Modify(handle.hive, [&](HiveDocument& doc, bool& changed) {
        if (!KeyExists(handle.hive, doc, handle.path)) return reg::ERROR_KEY_DELETED;
        if (!doc.HasKey(handle.path))
            doc.CreateKey(AutostartRunKey::IsRunKey(handle.path) ? kRunKeySpelling : handle.path);
        const HiveDocument::Value* old = doc.FindValue(handle.path, name);
        if (!old || !(*old == value)) {
            doc.SetValue(handle.path, name, std::move(value));
            changed = true;
        }
        return reg::ERROR_SUCCESS;
    });
}

reg::Status FileRegistry::CloseKey(reg::KeyHandle key) {
    return handles_.erase(key) ? reg::ERROR_SUCCESS : reg::ERROR_INVALID_HANDLE;
}

FileRegistryPaths FileRegistryPathsFromEnvironment(const EnvironmentLookup& lookup) {
    fs::path configHome;
    if (auto dir = AbsoluteDir(lookup("XDG_CONFIG_HOME")))
        configHome = *dir;
    else
        configHome = HomeFolder(lookup) / ".config";

    std::vector<fs::path> configDirs;
    if (const auto dirs = lookup("XDG_CONFIG_DIRS")) {
        std::string_view rest = *dirs;
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            if (auto dir = AbsoluteDir(std::string(rest.substr(0, colon)))) configDirs.push_back(*dir);
            rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
        }
    }
    if (configDirs.empty()) configDirs.push_back("/etc/xdg");
    FileRegistryPaths paths{configHome / "voltara" / "HKEY_CURRENT_USER.reg",
                            configDirs.front() / "voltara" / "HKEY_LOCAL_MACHINE.reg",
                            configHome / "autostart",
                            {}};
    for (const auto& dir : configDirs) paths.systemAutostartFolders.push_back(dir / "autostart");
    return paths;
}

std::unique_ptr<FileRegistry> CreateFileRegistryFromEnvironment() {
    const auto paths = FileRegistryPathsFromEnvironment([](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    });
    return std::make_unique<FileRegistry>(paths.currentUserFile, paths.localMachineFile,
                                          AutostartRunKey(paths.userAutostartFolder, paths.systemAutostartFolders));
}
