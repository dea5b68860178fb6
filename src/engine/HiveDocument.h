// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One registry hive held in memory, and its text form in the registry editor's export
// format (REGEDIT4). Key paths are relative to the hive's root, segments separated by
// '\'; "" is the root itself. Key and value names match without regard to (ASCII)
// letter case and keep the spelling they were created with.
//
// Keys are held as a tree, each with its own name only, and a path may be at most 512
// levels deep, as in Windows: so any text costs memory and time in proportion to its
// length, and the text written back is about as long as the one read.
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

    // No empty segment, no control character, at most 255 characters a segment and 512
    // segments; one trailing '\' is tolerated, a leading one is not.
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

    // The stored spellings, for looking and checking: the paths of the keys that hold a
    // value or no sub-key (the others lie on those paths), as Format writes them.
    std::vector<std::string> KeyPaths() const;
    std::vector<std::string> ValueNames(std::string_view path) const;

    bool operator==(const HiveDocument& other) const;

private:
    // Orders names without regard to (ASCII) letter case; finds by any string_view.
    struct LessIgnoringCase {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    // The maps hold each name in its stored spelling, and nothing else.
    struct Key {
        std::map<std::string, Value, LessIgnoringCase> values;
        std::map<std::string, std::unique_ptr<Key>, LessIgnoringCase> subKeys;
        bool operator==(const Key& other) const;
    };

    Key* FindKey(std::string_view path);
    const Key* FindKey(std::string_view path) const;
    Key* CreateKeyAt(std::string_view path);  // null for an invalid path
    void FormatKey(const Key& key, std::string& path, std::string& out) const;
    void ListKeys(const Key& key, const std::string& path, std::vector<std::string>& paths) const;

    std::string rootName_;
    std::unique_ptr<Key> root_;
};

struct HiveDocument::ParseResult {
    HiveDocument document;
    bool wellFormed;
};
