// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// One registry hive held in memory, and its text form in the registry editor's export
// format (REGEDIT4). Key paths are relative to the hive's root, segments separated by
// '\'; "" is the root itself. Key and value names match without regard to (ASCII)
// letter case and keep the spelling they were created with.
class HiveDocument {
public:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> bytes;
        bool operator==(const Value&) const = default;
    };
    struct ParseResult;

    // rootName is the hive's name in section headers, e.g. "HKEY_CURRENT_USER".
    explicit HiveDocument(std::string rootName);

    // Reads what it can of any text. wellFormed is false when something was skipped or
    // merged away, so keeping the text unchanged is the only way to lose nothing.
    static ParseResult Parse(std::string_view text, const std::string& rootName);
    std::string Format() const;

    // No empty segment, no control character, at most 255 characters a segment;
    // one trailing '\' is tolerated, a leading one is not.
    static bool IsValidKeyPath(std::string_view path);
    // No control character other than tab.
    static bool IsValidValueName(std::string_view name);

    const std::string& RootName() const { return rootName_; }
    bool HasKey(std::string_view path) const;
    // Creates the key and any missing key along its path; false for an invalid path.
    bool CreateKey(std::string_view path);
    // Removes the key with all its sub-keys; false when it does not exist (or is the root).
    bool DeleteKey(std::string_view path);

    // Null when the key or the value does not exist.
    const Value* FindValue(std::string_view path, std::string_view name) const;
    // False when the key does not exist or the name is invalid. An existing value keeps
    // its name's spelling.
    bool SetValue(std::string_view path, std::string_view name, Value value);
    bool DeleteValue(std::string_view path, std::string_view name);

    // The stored spellings, for looking and checking.
    std::vector<std::string> KeyPaths() const;
    std::vector<std::string> ValueNames(std::string_view path) const;

    bool operator==(const HiveDocument&) const = default;

private:
    struct NamedValue {
        std::string name;
        Value value;
        bool operator==(const NamedValue&) const = default;
    };
    struct Key {
        std::string path;                          // stored spelling
        std::map<std::string, NamedValue> values;  // lower-cased name -> value
        bool operator==(const Key&) const = default;
    };

    static std::string Normalise(std::string_view path);  // drops a trailing '\'
    Key* FindKey(std::string_view path);
    const Key* FindKey(std::string_view path) const;

    std::string rootName_;
    std::map<std::string, Key> keys_;  // lower-cased path -> key; "" is the root
};

struct HiveDocument::ParseResult {
    HiveDocument document;
    bool wellFormed;
};
