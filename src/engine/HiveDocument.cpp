// SPDX-License-Identifier: GPL-3.0-or-later
#include "HiveDocument.h"

#include <optional>

namespace {
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kHexLineWidth = 76;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && Lower(s.substr(0, prefix.size())) == prefix;
}

std::string ParentOf(std::string_view path) {
    const auto cut = path.rfind('\\');
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

// "text" with \\ and \" escaped.
std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

// Reads a quoted string at the start of s; advances s past it. Nullopt when it is not
// closed or holds an escape this format never writes.
std::optional<std::string> Unquote(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (s[i] == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) return std::nullopt;
            ++i;
        }
        out += s[i];
    }
    return std::nullopt;
}

// A REG_SZ can be written in quotes when it is one line of text followed by its one NUL.
bool FitsInQuotes(const HiveDocument::Value& v) {
    if (v.type != 1 || v.bytes.empty() || v.bytes.back() != 0) return false;
    for (std::size_t i = 0; i + 1 < v.bytes.size(); ++i) {
        const auto b = v.bytes[i];
        if (b == 0 || b == '\n' || b == '\r') return false;
    }
    return true;
}

std::string Hex(std::uint32_t number, int width) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[number & 0xF]);
        number >>= 4;
    } while (number != 0);
    while (static_cast<int>(out.size()) < width) out.insert(out.begin(), '0');
    return out;
}

std::optional<std::uint32_t> ParseHex(std::string_view s, std::size_t maxDigits) {
    if (s.empty() || s.size() > maxDigits) return std::nullopt;
    std::uint32_t n = 0;
    for (char c : s) {
        const char l = LowerAscii(c);
        int digit;
        if (l >= '0' && l <= '9')
            digit = l - '0';
        else if (l >= 'a' && l <= 'f')
            digit = l - 'a' + 10;
        else
            return std::nullopt;
        n = (n << 4) | static_cast<std::uint32_t>(digit);
    }
    return n;
}

// "aa,bb,cc" (blanks allowed around the bytes); empty gives no bytes.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view s) {
    std::vector<std::uint8_t> bytes;
    s = Trim(s);
    if (s.empty()) return bytes;
    for (;;) {
        const auto comma = s.find(',');
        const auto byte = ParseHex(Trim(s.substr(0, comma)), 2);
        if (!byte) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        if (comma == std::string_view::npos) return bytes;
        s.remove_prefix(comma + 1);
    }
}

// Appends "prefix" then the bytes, continuing long lines the way the registry editor does.
void AppendHexValue(std::string& out, const std::string& prefix, const std::vector<std::uint8_t>& bytes) {
    std::size_t column = prefix.size();
    out += prefix;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += Hex(bytes[i], 2);
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            if (column >= kHexLineWidth) {
                out += "\\\n  ";
                column = 2;
            }
        }
    }
    out += '\n';
}

std::optional<HiveDocument::Value> ParseData(std::string_view s) {
    HiveDocument::Value v;
    if (!s.empty() && s.front() == '"') {
        auto text = Unquote(s);
        if (!text || !Trim(s).empty()) return std::nullopt;
        v.type = 1;
        v.bytes.assign(text->begin(), text->end());
        v.bytes.push_back(0);
        return v;
    }
    if (StartsWithIgnoringCase(s, "dword:")) {
        const auto n = ParseHex(Trim(s.substr(6)), 8);
        if (!n) return std::nullopt;
        v.type = 4;
        v.bytes = {static_cast<std::uint8_t>(*n), static_cast<std::uint8_t>(*n >> 8),
                   static_cast<std::uint8_t>(*n >> 16), static_cast<std::uint8_t>(*n >> 24)};
        return v;
    }
    if (StartsWithIgnoringCase(s, "hex:")) {
        v.type = 3;
        s.remove_prefix(4);
    } else if (StartsWithIgnoringCase(s, "hex(")) {
        const auto close = s.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const auto type = ParseHex(s.substr(4, close - 4), 8);
        if (!type) return std::nullopt;
        v.type = *type;
        s.remove_prefix(close + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = ParseHexBytes(s);
    if (!bytes) return std::nullopt;
    v.bytes = std::move(*bytes);
    return v;
}

// Splits the text into logical lines: trimmed, with hex continuations ("...,\" then an
// indented line) joined.
std::vector<std::string> LogicalLines(std::string_view text) {
    std::vector<std::string_view> raw;
    while (!text.empty()) {
        const auto end = text.find('\n');
        raw.push_back(Trim(text.substr(0, end)));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    auto startsEntry = [](std::string_view l) {
        return !l.empty() && (l.front() == '[' || l.front() == '"' || l.front() == '@');
    };
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        std::string line(raw[i]);
        while (!line.empty() && line.back() == '\\' && line.front() != '[' && i + 1 < raw.size() &&
               !startsEntry(raw[i + 1])) {
            line.pop_back();
            line += raw[++i];
        }
        lines.push_back(std::move(line));
    }
    return lines;
}
}  // namespace

HiveDocument::HiveDocument(std::string rootName) : rootName_(std::move(rootName)) { keys_[""] = Key{}; }

bool HiveDocument::IsValidKeyPath(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (path.empty()) return true;
    std::size_t segment = 0;
    for (char c : path) {
        if (c == '\\') {
            if (segment == 0) return false;
            segment = 0;
        } else {
            if (IsControl(c) || ++segment > kMaxKeyNameLength) return false;
        }
    }
    return segment != 0;
}

bool HiveDocument::IsValidValueName(std::string_view name) {
    for (char c : name)
        if (IsControl(c) && c != '\t') return false;
    return true;
}

std::string HiveDocument::Normalise(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return std::string(path);
}

HiveDocument::Key* HiveDocument::FindKey(std::string_view path) {
    if (!IsValidKeyPath(path)) return nullptr;
    auto it = keys_.find(Lower(Normalise(path)));
    return it == keys_.end() ? nullptr : &it->second;
}

const HiveDocument::Key* HiveDocument::FindKey(std::string_view path) const {
    return const_cast<HiveDocument*>(this)->FindKey(path);
}

bool HiveDocument::HasKey(std::string_view path) const { return FindKey(path) != nullptr; }

bool HiveDocument::CreateKey(std::string_view path) {
    if (!IsValidKeyPath(path)) return false;
    const std::string wanted = Normalise(path);
    std::size_t end = 0;
    while (end < wanted.size()) {
        end = wanted.find('\\', end + 1);
        if (end == std::string::npos) end = wanted.size();
        const std::string prefix = wanted.substr(0, end);
        auto [it, created] = keys_.try_emplace(Lower(prefix));
        if (created) {
            // A new key takes its parent's stored spelling and its own name as given.
            const std::string parent = ParentOf(prefix);
            const std::string& parentSpelling = keys_.at(Lower(parent)).path;
            const std::string name = prefix.substr(parent.empty() ? 0 : parent.size() + 1);
            it->second.path = parentSpelling.empty() ? name : parentSpelling + "\\" + name;
        }
    }
    return true;
}

bool HiveDocument::DeleteKey(std::string_view path) {
    if (!IsValidKeyPath(path)) return false;
    const std::string id = Lower(Normalise(path));
    if (id.empty() || !keys_.count(id)) return false;
    const std::string childPrefix = id + "\\";
    std::erase_if(keys_, [&](const auto& entry) {
        return entry.first == id || entry.first.compare(0, childPrefix.size(), childPrefix) == 0;
    });
    return true;
}

const HiveDocument::Value* HiveDocument::FindValue(std::string_view path, std::string_view name) const {
    const Key* key = FindKey(path);
    if (!key) return nullptr;
    auto it = key->values.find(Lower(name));
    return it == key->values.end() ? nullptr : &it->second.value;
}

bool HiveDocument::SetValue(std::string_view path, std::string_view name, Value value) {
    Key* key = FindKey(path);
    if (!key || !IsValidValueName(name)) return false;
    auto [it, created] = key->values.try_emplace(Lower(name));
    if (created) it->second.name = std::string(name);
    it->second.value = std::move(value);
    return true;
}

bool HiveDocument::DeleteValue(std::string_view path, std::string_view name) {
    Key* key = FindKey(path);
    return key && key->values.erase(Lower(name)) != 0;
}

std::vector<std::string> HiveDocument::KeyPaths() const {
    std::vector<std::string> paths;
    for (const auto& [id, key] : keys_)
        if (!id.empty()) paths.push_back(key.path);
    return paths;
}

std::vector<std::string> HiveDocument::ValueNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = FindKey(path))
        for (const auto& [id, v] : key->values) names.push_back(v.name);
    return names;
}

std::string HiveDocument::Format() const {
    std::string out(kHeader);
    out += "\n\n";
    for (const auto& [id, key] : keys_) {
        if (id.empty() && key.values.empty()) continue;
        out += '[' + rootName_ + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
        for (const auto& [lower, named] : key.values) {
            const std::string name = (named.name.empty() ? "@" : Quote(named.name)) + "=";
            const Value& v = named.value;
            if (FitsInQuotes(v)) {
                out +=
                    name + Quote(std::string_view(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size() - 1));
                out += '\n';
            } else if (v.type == 4 && v.bytes.size() == 4) {
                const std::uint32_t n = v.bytes[0] | (v.bytes[1] << 8) | (v.bytes[2] << 16) |
                                        (static_cast<std::uint32_t>(v.bytes[3]) << 24);
                out += name + "dword:" + Hex(n, 8) + '\n';
            } else {
                AppendHexValue(out, name + (v.type == 3 ? "hex:" : "hex(" + Hex(v.type, 1) + "):"), v.bytes);
            }
        }
        out += '\n';
    }
    return out;
}

HiveDocument::ParseResult HiveDocument::Parse(std::string_view text, const std::string& rootName) {
    ParseResult result{HiveDocument(rootName), true};
    HiveDocument& doc = result.document;
    bool& ok = result.wellFormed;

    const auto lines = LogicalLines(text);
    std::size_t i = 0;
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i < lines.size() && lines[i] == kHeader)
        ++i;
    else
        ok = false;

    const std::string rootLower = Lower(rootName);
    std::optional<std::string> section;  // the current key; none after a bad header
    for (; i < lines.size(); ++i) {
        std::string_view line = lines[i];
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            section.reset();
            if (line.back() != ']') {
                ok = false;
                continue;
            }
            const std::string_view inner = line.substr(1, line.size() - 2);
            const auto cut = inner.find('\\');
            const std::string_view root = inner.substr(0, cut);
            const std::string_view path = cut == std::string_view::npos ? std::string_view() : inner.substr(cut + 1);
            if (Lower(root) != rootLower || !doc.CreateKey(path)) {
                ok = false;
                continue;
            }
            section = Normalise(path);
            continue;
        }
        std::optional<std::string> name;
        if (line.front() == '@') {
            name = std::string();
            line.remove_prefix(1);
        } else {
            name = Unquote(line);
        }
        line = Trim(line);
        if (!section || !name || line.empty() || line.front() != '=' || !IsValidValueName(*name)) {
            ok = false;
            continue;
        }
        auto value = ParseData(Trim(line.substr(1)));
        if (!value) {
            ok = false;
            continue;
        }
        if (doc.FindValue(*section, *name)) ok = false;  // a duplicate: the earlier one is lost
        doc.SetValue(*section, *name, std::move(*value));
    }
    return result;
}
