// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/AutostartRunKey.h"

#include <vector>

#include "linux/PrivateFiles.h"

namespace {
constexpr std::string_view kRunKey = "software\\microsoft\\windows\\currentversion\\run";
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
constexpr const char* kEntryName = "voltara.desktop";
constexpr const char* kEarlierEntryName = "Voltara.desktop";  // machine-wide, by an earlier version

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string_view DropTrailingBackslash(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// The escapes of the Desktop Entry Specification's string type, applied to every value.
std::string EscapeString(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UnescapeString(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        switch (s[++i]) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '\\': out += '\\'; break;
            default: out += '\\', out += s[i];
        }
    }
    return out;
}

// Splits a command line into arguments, undoing the double quotes.
std::vector<std::string> SplitArguments(std::string_view line) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            inArgument = true;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size() &&
                    std::string_view("\"`$\\").find(line[i + 1]) != std::string_view::npos)
                    ++i;
                current += line[i];
            }
        } else {
            inArgument = true;
            current += c;
        }
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}
}  // namespace

bool AutostartRunKey::IsRunKey(std::string_view path) { return Lower(DropTrailingBackslash(path)) == kRunKey; }

bool AutostartRunKey::IsRunKeyOrAbove(std::string_view path) {
    const std::string lower = Lower(DropTrailingBackslash(path));
    if (lower.empty() || lower.size() > kRunKey.size() || kRunKey.compare(0, lower.size(), lower) != 0) return false;
    return lower.size() == kRunKey.size() || kRunKey[lower.size()] == '\\';
}

bool AutostartRunKey::IsEntryName(std::string_view valueName) { return Lower(valueName) == "voltara"; }

bool AutostartRunKey::MayWrite() const { return privatefiles::MayWriteInto(userFolder_); }

privatefiles::ReadResult AutostartRunKey::EntryThatCounts(const char* name) const {
    auto read = privatefiles::ReadWhole(userFolder_ / name);
    for (auto folder = systemFolders_.begin();
         read.outcome == privatefiles::ReadOutcome::Missing && folder != systemFolders_.end(); ++folder)
        read = privatefiles::ReadWhole(*folder / name);
    return read;
}

reg::Status AutostartRunKey::Read(std::string& value) const {
    bool found = false;
    for (const char* name : {kEntryName, kEarlierEntryName}) {
        const auto read = EntryThatCounts(name);
        if (read.outcome == privatefiles::ReadOutcome::Missing) continue;
        if (read.outcome != privatefiles::ReadOutcome::Ok)
            return reg::ERROR_ACCESS_DENIED;  // unreadable, or far too large
        value = ValueOfDesktopEntry(read.content);
        found = true;
        if (!value.empty()) return reg::ERROR_SUCCESS;
    }
    return found ? reg::ERROR_SUCCESS : reg::ERROR_FILE_NOT_FOUND;
}

reg::Status AutostartRunKey::Write(std::string_view value) const {
    if (value.find('\0') != std::string_view::npos) return reg::ERROR_INVALID_PARAMETER;
    if (!privatefiles::EnsureFolder(userFolder_, 0700)) return reg::ERROR_ACCESS_DENIED;
    const auto earlier = EntryThatCounts(kEarlierEntryName);
    if (earlier.outcome == privatefiles::ReadOutcome::Ok && !ValueOfDesktopEntry(earlier.content).empty() &&
        !privatefiles::ReplaceAtomically(userFolder_ / kEarlierEntryName, DesktopEntryFor(""), 0644))
        return reg::ERROR_WRITE_FAULT;
    return privatefiles::ReplaceAtomically(userFolder_ / kEntryName, DesktopEntryFor(value), 0644)
               ? reg::ERROR_SUCCESS
               : reg::ERROR_WRITE_FAULT;
}

std::string AutostartRunKey::DesktopEntryFor(std::string_view value) {
    std::string entry = "[Desktop Entry]\nType=Application\nName=Voltara\n";
    entry += value.empty() ? "Hidden=true\n" : "Exec=" + ExecFor(value) + "\n";
    return entry;
}

std::string AutostartRunKey::ValueOfDesktopEntry(std::string_view content) {
    bool inMainGroup = false;
    std::string exec;
    bool hidden = false;
    while (!content.empty()) {
        const auto end = content.find('\n');
        const std::string_view line = Trim(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view val = Trim(line.substr(equals + 1));
        if (key == "Exec")
            exec = std::string(val);
        else if ((key == "Hidden" && val == "true") || (key == "X-GNOME-Autostart-enabled" && val == "false"))
            hidden = true;
    }
    return hidden ? std::string() : CommandOfExec(exec);
}

std::string AutostartRunKey::ExecFor(std::string_view program) {
    std::string arg = ReplaceAll(std::string(program), "%", "%%");
    if (arg.find_first_of(kReserved) != std::string::npos) {
        std::string quoted = "\"";
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
            quoted += c;
        }
        arg = quoted + "\"";
    }
    return EscapeString(arg);
}

std::string AutostartRunKey::CommandOfExec(std::string_view exec) {
    const std::string line = UnescapeString(exec);
    const auto args = SplitArguments(line);
    if (args.size() == 1) return ReplaceAll(args.front(), "%%", "%");
    return ReplaceAll(line, "%%", "%");
}
