// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "RegistryBackend.h"
#include "linux/PrivateFiles.h"

// The machine-wide Run key's entry "Voltara", kept as an XDG autostart entry so that the
// desktop session starts the program at log-in: the user's own
// <XDG_CONFIG_HOME>/autostart/voltara.desktop, which by the XDG Autostart rules overrides
// a system-wide entry of the same name in <each of XDG_CONFIG_DIRS>/autostart. So an
// ordinary user may switch it, and a system-wide entry is overridden, never edited.
//
// The value is the Exec= command of the entry that counts (the user's where there is one,
// else the first system-wide one); the empty text is an entry with Hidden=true, which
// exists but starts nothing. An earlier version wrote the machine-wide Voltara.desktop,
// another name to the session: where no voltara.desktop counts it gives the value, and
// every write hides it for this user, so that the session never starts a second copy.
class AutostartRunKey {
public:
    AutostartRunKey(std::filesystem::path userFolder, std::vector<std::filesystem::path> systemFolders)
        : userFolder_(std::move(userFolder)), systemFolders_(std::move(systemFolders)) {}

    // SOFTWARE\Microsoft\Windows\CurrentVersion\Run, in any letter case.
    static bool IsRunKey(std::string_view path);
    // The Run key or a key on the path to it: they exist on every system.
    static bool IsRunKeyOrAbove(std::string_view path);
    static bool IsEntryName(std::string_view valueName);

    const std::filesystem::path& UserFolder() const { return userFolder_; }
    const std::vector<std::filesystem::path>& SystemFolders() const { return systemFolders_; }

    // Whether the user's entry may be written: its folder is writable, or can be created.
    bool MayWrite() const;
    // ERROR_FILE_NOT_FOUND when no entry counts.
    reg::Status Read(std::string& value) const;
    // Writes the user's entry, creating its folder when missing (0700, as XDG asks).
    reg::Status Write(std::string_view value) const;

    // The file's text for a value, and the value a file's text holds.
    static std::string DesktopEntryFor(std::string_view value);
    static std::string ValueOfDesktopEntry(std::string_view content);
    // The Exec= text for a command that is one program path, quoted and escaped as the
    // Desktop Entry Specification asks; and back.
    static std::string ExecFor(std::string_view program);
    static std::string CommandOfExec(std::string_view exec);

private:
    // The entry of that file name that counts: the user's, else the first system-wide one.
    privatefiles::ReadResult EntryThatCounts(const char* name) const;

    std::filesystem::path userFolder_;
    std::vector<std::filesystem::path> systemFolders_;  // most important first
};
