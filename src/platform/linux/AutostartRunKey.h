// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "RegistryBackend.h"

// The machine-wide Run key's entry "Voltara", kept as the XDG autostart entry
// <folder>/Voltara.desktop so that the desktop session starts the program at log-in.
// The value is the entry's Exec= command; the empty text is an entry with Hidden=true,
// which exists but starts nothing.
class AutostartRunKey {
public:
    explicit AutostartRunKey(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // SOFTWARE\Microsoft\Windows\CurrentVersion\Run, in any letter case.
    static bool IsRunKey(std::string_view path);
    // The Run key or a key on the path to it: they exist on every system.
    static bool IsRunKeyOrAbove(std::string_view path);
    static bool IsEntryName(std::string_view valueName);

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path EntryFile() const { return folder_ / "Voltara.desktop"; }

    // Whether the entry may be written: the folder is writable, or can be created.
    bool MayWrite() const;
    // ERROR_FILE_NOT_FOUND when there is no entry.
    reg::Status Read(std::string& value) const;
    // Creates the folder when missing (mode 0755: every user's session reads it).
    reg::Status Write(std::string_view value) const;

    // The file's text for a value, and the value a file's text holds.
    static std::string DesktopEntryFor(std::string_view value);
    static std::string ValueOfDesktopEntry(std::string_view content);
    // The Exec= text for a command that is one program path, quoted and escaped as the
    // Desktop Entry Specification asks; and back.
    static std::string ExecFor(std::string_view program);
    static std::string CommandOfExec(std::string_view exec);

private:
    std::filesystem::path folder_;
};
