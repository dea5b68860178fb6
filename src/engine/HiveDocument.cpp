// SPDX-License-Identifier: GPL-3.0-or-later
#include "HiveDocument.h"

#include <algorithm>
#include <optional>

namespace {
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;
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

bool StartsEntry(std::string_view line) {
    return !line.empty() && (line.front() == '[' || line.front() == '"' || line.front() == '@');
}

// Takes the next line off the text, trimmed; false when nothing is left.
bool TakeRawLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    const auto end = text.find('\n');
    line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return true;
}

// Takes the next logical line off the text: trimmed, with hex continuations ("...,\"
// then an indented line) joined. One line at a time, so that reading costs no more
// than the longest line.
bool TakeLogicalLine(std::string_view& text, std::string& line) {
    std::string_view raw;
    if (!TakeRawLine(text, raw)) return false;
    line.assign(raw);
    while (!line.empty() && line.back() == '\\' && line.front() != '[') {
        std::string_view rest = text;
        if (!TakeRawLine(rest, raw) || StartsEntry(raw)) break;
        line.pop_back();
        line += raw;
        text = rest;
    }
    return true;
}

std::string_view DropTrailingSeparator(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

// Takes the first segment off a path.
std::string_view TakeSegment(std::string_view& path) {
    const auto cut = path.find('\\');
    const std::string_view segment = path.substr(0, cut);
    path.remove_prefix(cut == std::string_view::npos ? path.size() : cut + 1);
    return segment;
}
}  // namespace

HiveDocument::HiveDocument(std::string rootName) : rootName_(std::move(rootName)), root_(std::make_unique<Key>()) {}

bool HiveDocument::LessIgnoringCase::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
    });
}

bool HiveDocument::Key::operator==(const Key& other) const {
    // The spellings count too: the maps compare their names only without regard to case.
    if (!std::equal(values.begin(), values.end(), other.values.begin(), other.values.end())) return false;
    return std::equal(subKeys.begin(), subKeys.end(), other.subKeys.begin(), other.subKeys.end(),
                      [](const auto& a, const auto& b) { return a.first == b.first && *a.second == *b.second; });
}

bool HiveDocument::operator==(const HiveDocument& other) const {
    return rootName_ == other.rootName_ && *root_ == *other.root_;
}

bool HiveDocument::IsValidKeyPath(std::string_view path) {
    path = DropTrailingSeparator(path);
    if (path.empty()) return true;
    std::size_t segment = 0;
    std::size_t depth = 1;
    for (char c : path) {
        if (c == '\\') {
            if (segment == 0 || ++depth > kMaxKeyDepth) return false;
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

HiveDocument::Key* HiveDocument::FindKey(std::string_view path) {
    if (!IsValidKeyPath(path)) return nullptr;
    path = DropTrailingSeparator(path);
    Key* key = root_.get();
    while (key && !path.empty()) {
        const auto it = key->subKeys.find(TakeSegment(path));
        key = it == key->subKeys.end() ? nullptr : it->second.get();
    }
    return key;
}

const HiveDocument::Key* HiveDocument::FindKey(std::string_view path) const {
    return const_cast<HiveDocument*>(this)->FindKey(path);
}

HiveDocument::Key* HiveDocument::CreateKeyAt(std::string_view path) {
    if (!IsValidKeyPath(path)) return nullptr;
    path = DropTrailingSeparator(path);
    Key* key = root_.get();
    while (!path.empty()) {
        const std::string_view name = TakeSegment(path);
        auto it = key->subKeys.find(name);
        // A new key keeps its name as given; the keys above it keep theirs.
        if (it == key->subKeys.end()) it = key->subKeys.emplace(name, std::make_unique<Key>()).first;
        key = it->second.get();
    }
    return key;
}

bool HiveDocument::HasKey(std::string_view path) const { return FindKey(path) != nullptr; }

bool HiveDocument::CreateKey(std::string_view path) { return CreateKeyAt(path) != nullptr; }

bool HiveDocument::DeleteKey(std::string_view path) {
    if (!IsValidKeyPath(path)) return false;
    path = DropTrailingSeparator(path);
    const auto cut = path.rfind('\\');
    Key* parent = cut == std::string_view::npos ? root_.get() : FindKey(path.substr(0, cut));
    const std::string_view name = cut == std::string_view::npos ? path : path.substr(cut + 1);
    if (!parent || name.empty()) return false;
    const auto it = parent->subKeys.find(name);
    if (it == parent->subKeys.end()) return false;
    parent->subKeys.erase(it);
    return true;
}

const HiveDocument::Value* HiveDocument::FindValue(std::string_view path, std::string_view name) const {
    const Key* key = FindKey(path);
    if (!key) return nullptr;
    auto it = key->values.find(name);
    return it == key->values.end() ? nullptr : &it->second;
}

bool HiveDocument::SetValue(std::string_view path, std::string_view name, Value value) {
    Key* key = FindKey(path);
    if (!key || !IsValidValueName(name)) return false;
    auto it = key->values.find(name);
    if (it == key->values.end()) it = key->values.emplace(name, Value{}).first;  // a new name as given
    it->second = std::move(value);
    return true;
}

bool HiveDocument::DeleteValue(std::string_view path, std::string_view name) {
    Key* key = FindKey(path);
    if (!key) return false;
    const auto it = key->values.find(name);
    if (it == key->values.end()) return false;
    key->values.erase(it);
    return true;
}

// A key is written, and listed, where it holds a value or has no sub-key: the keys above
// it follow from its path. Writing every key on every path would make the text grow with
// the square of its depth.
void HiveDocument::ListKeys(const Key& key, const std::string& path, std::vector<std::string>& paths) const {
    if (!path.empty() && (!key.values.empty() || key.subKeys.empty())) paths.push_back(path);
    for (const auto& [name, sub] : key.subKeys) ListKeys(*sub, path.empty() ? name : path + "\\" + name, paths);
}

std::vector<std::string> HiveDocument::KeyPaths() const {
    std::vector<std::string> paths;
    ListKeys(*root_, "", paths);
    return paths;
}

std::vector<std::string> HiveDocument::ValueNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = FindKey(path))
        for (const auto& [name, value] : key->values) names.push_back(name);
    return names;
}

void HiveDocument::FormatKey(const Key& key, std::string& path, std::string& out) const {
    const bool isRoot = &key == root_.get();
    if (!key.values.empty() || (key.subKeys.empty() && !isRoot)) {
        out += '[' + rootName_ + path + "]\n";
        for (const auto& [valueName, v] : key.values) {
            const std::string name = (valueName.empty() ? "@" : Quote(valueName)) + "=";
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
    for (const auto& [name, sub] : key.subKeys) {
        const std::size_t length = path.size();
        path += '\\';
        path += name;
        FormatKey(*sub, path, out);
        path.resize(length);
    }
}

std::string HiveDocument::Format() const {
    std::string out(kHeader);
    out += "\n\n";
    std::string path;
    FormatKey(*root_, path, out);
    return out;
}

HiveDocument::ParseResult HiveDocument::Parse(std::string_view text, const std::string& rootName) {
    ParseResult result{HiveDocument(rootName), true};
    HiveDocument& doc = result.document;
    bool& ok = result.wellFormed;

    std::string line;
    bool more = TakeLogicalLine(text, line);
    while (more && line.empty()) more = TakeLogicalLine(text, line);
    if (more && line == kHeader)
        more = TakeLogicalLine(text, line);
    else
        ok = false;

    const std::string rootLower = Lower(rootName);
    Key* section = nullptr;  // none after a bad header
    for (; more; more = TakeLogicalLine(text, line)) {
        std::string_view rest = line;
        if (rest.empty() || rest.front() == ';') continue;
        if (rest.front() == '[') {
            section = nullptr;
            if (rest.back() != ']') {
                ok = false;
                continue;
            }
            const std::string_view inner = rest.substr(1, rest.size() - 2);
            const auto cut = inner.find('\\');
            const std::string_view root = inner.substr(0, cut);
            const std::string_view path = cut == std::string_view::npos ? std::string_view() : inner.substr(cut + 1);
            if (root.size() == rootLower.size() && StartsWithIgnoringCase(root, rootLower))
                section = doc.CreateKeyAt(path);
            if (!section) ok = false;
            continue;
        }
        std::optional<std::string> name;
        if (rest.front() == '@') {
            name = std::string();
            rest.remove_prefix(1);
        } else {
            name = Unquote(rest);
        }
        rest = Trim(rest);
        if (!section || !name || rest.empty() || rest.front() != '=' || !IsValidValueName(*name)) {
            ok = false;
            continue;
        }
        auto value = ParseData(Trim(rest.substr(1)));
        if (!value) {
            ok = false;
            continue;
        }
        auto it = section->values.find(*name);
        if (it == section->values.end())
            it = section->values.emplace(std::move(*name), Value{}).first;
        else
            ok = false;  // a duplicate: the earlier one is lost
        it->second = std::move(*value);
    }
    return result;
}
