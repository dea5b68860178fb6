// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "HiveDocument.h"
#include "RegistryBackend.h"
#include "linux/AutostartRunKey.h"
#include "linux/PrivateFiles.h"

// The registry kept in two text files in the registry editor's format, one per hive.
//
// Every call sees the file as it is now: the hive parsed at the last read is used again
// only while one stat finds the same file unchanged (privatefiles::FileVersion), and the
// file is read afresh, once, otherwise. Every write locks "<file>.lock", reads the file
// afresh, changes it and replaces it atomically (0600, folders created 0700), so several
// processes may share the files and nothing is lost. A file that cannot be parsed is read
// as far as it goes and copied aside ("<file>.corrupt-<date>-<time>") before it is first
// rewritten; one too large to be a hive (over 1 MiB) reads as empty and is set aside
// under that name whole, and a write that would make the file that large is refused.
// Something that is not a regular file (a folder, a FIFO) reads as empty and is never
// replaced. A symbolic link in the file's place is followed for reading and replaced,
// never written through, by the first write.
//
// In HKEY_LOCAL_MACHINE the key SOFTWARE\Microsoft\Windows\CurrentVersion\Run always
// exists, and its value "Voltara" is the user's XDG autostart entry (AutostartRunKey); its
// other values live in the file. Opening an HKEY_LOCAL_MACHINE key for writing (any
// access mask with set value, create sub-key or create link, as 0x3F has) needs write
// access to the place it is kept, for the Run key the user's autostart folder, and fails
// with ERROR_ACCESS_DENIED otherwise.
//
// One object is used by one thread.
class FileRegistry : public RegistryBackend {
public:
    FileRegistry(std::filesystem::path currentUserFile, std::filesystem::path localMachineFile,
                 AutostartRunKey autostart);

    reg::Status CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                            reg::KeyHandle* out) override;
    reg::Status OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access, reg::KeyHandle* out) override;
    reg::Status QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override;
    reg::Status SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override;
    reg::Status CloseKey(reg::KeyHandle key) override;

    const std::filesystem::path& FileOf(reg::Hive hive) const;
    const AutostartRunKey& Autostart() const { return autostart_; }
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

private:
    struct Handle {
        reg::Hive hive;
        std::string path;
        std::uint32_t access;
    };

    // The hive as its file is now.
    const HiveDocument& Load(reg::Hive hive);
    reg::Status OpenExisting(reg::Hive hive, const std::string& path, std::uint32_t access, reg::KeyHandle* out);
    bool KeyExists(reg::Hive hive, const HiveDocument& doc, const std::string& path) const;
    bool MayWrite(reg::Hive hive, const std::string& path) const;
    reg::KeyHandle NewHandle(reg::Hive hive, const std::string& path, std::uint32_t access);
    // Locks the hive's file, reads it afresh and hands it to change, which sets
    // `changed` when the file must be rewritten; then replaces the file.
    reg::Status Modify(reg::Hive hive, const std::function<reg::Status(HiveDocument&, bool& changed)>& change);

    std::filesystem::path currentUserFile_;
    std::filesystem::path localMachineFile_;
    AutostartRunKey autostart_;
    struct LoadedHive {
        privatefiles::FileVersion version;
        HiveDocument document;
    };
    LoadedHive currentUser_{{}, HiveDocument("HKEY_CURRENT_USER")};
    LoadedHive localMachine_{{}, HiveDocument("HKEY_LOCAL_MACHINE")};
    std::map<reg::KeyHandle, Handle> handles_;
    reg::KeyHandle nextHandle_ = 0x1000;
};

// Where the program keeps its hives: HKEY_CURRENT_USER in
// ${XDG_CONFIG_HOME:-$HOME/.config}/voltara/HKEY_CURRENT_USER.reg, HKEY_LOCAL_MACHINE in
// <first of ${XDG_CONFIG_DIRS:-/etc/xdg}>/voltara/HKEY_LOCAL_MACHINE.reg, the Run entry in
// ${XDG_CONFIG_HOME:-$HOME/.config}/autostart over <each of XDG_CONFIG_DIRS>/autostart.
// Relative or empty entries are ignored, as the XDG Base Directory Specification asks.
struct FileRegistryPaths {
    std::filesystem::path currentUserFile;
    std::filesystem::path localMachineFile;
    std::filesystem::path userAutostartFolder;
    std::vector<std::filesystem::path> systemAutostartFolders;
};
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;
FileRegistryPaths FileRegistryPathsFromEnvironment(const EnvironmentLookup& lookup);

// The program's registry, from this process's environment.
std::unique_ptr<FileRegistry> CreateFileRegistryFromEnvironment();
