// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "HiveDocument.h"

namespace {

using Value = HiveDocument::Value;
const std::string kRoot = "HKEY_CURRENT_USER";

Value Sz(const std::string& text) {
    Value v{1, {text.begin(), text.end()}};
    v.bytes.push_back(0);
    return v;
}

// Names match without regard to case and keep the spelling they were first given.
TEST(HiveDocument, FormatsTheRegistryEditorsExportForm) {
    HiveDocument doc(kRoot);
    ASSERT_TRUE(doc.CreateKey("Software\\Quillfen\\Voltara\\Window"));
    ASSERT_TRUE(doc.CreateKey("SOFTWARE\\quillfen\\Voltara\\Setting"));
    doc.SetValue("Software\\Quillfen\\Voltara\\Window", "X", Sz("old"));
    doc.SetValue("SOFTWARE\\QUILLFEN\\VOLTARA\\WINDOW", "x", Sz("C:\\a \"b\""));
    doc.SetValue("software\\quillfen\\voltara\\window", "Count", Value{4, {0x1f, 0, 0, 0}});
    doc.SetValue("Software\\Quillfen\\Voltara\\Window", "Bin", Value{3, {0xab, 0x01}});
    doc.SetValue("Software\\Quillfen\\Voltara\\Window", "Two\nLines", Sz("x"));  // refused: a control character
    doc.SetValue("Software\\Quillfen\\Voltara\\Window", "Multi", Sz("a\nb"));
    doc.SetValue("Software\\Quillfen\\Voltara\\Window", "", Value{11, {}});
    EXPECT_EQ(doc.Format(),
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Setting]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Window]\n"
              "@=hex(b):\n"
              "\"Bin\"=hex:ab,01\n"
              "\"Count\"=dword:0000001f\n"
              "\"Multi\"=hex(1):61,0a,62,00\n"
              "\"X\"=\"C:\\\\a \\\"b\\\"\"\n\n");
}

TEST(HiveDocument, DeleteKeyTakesItsSubKeysOnly) {
    HiveDocument doc(kRoot);
    for (const char* path : {"a\\b\\c", "a b", "ab", "a\\bc"}) doc.CreateKey(path);
    EXPECT_TRUE(doc.DeleteKey("A\\B"));
    EXPECT_EQ(doc.KeyPaths(), (std::vector<std::string>{"a\\bc", "a b", "ab"}));
    EXPECT_FALSE(doc.DeleteKey("a\\b"));
    EXPECT_FALSE(doc.SetValue("a\\b\\c", "x", Sz("lost")));
}

TEST(HiveDocument, RejectsPathsAndNamesTheFileCannotCarry) {
    HiveDocument doc(kRoot);
    for (const char* bad : {"\\a", "a\\\\b", "a\nb", "a\\b\r"}) EXPECT_FALSE(doc.CreateKey(bad)) << bad;
    EXPECT_FALSE(doc.CreateKey(std::string(256, 'k')));
    EXPECT_TRUE(doc.CreateKey(std::string(255, 'k') + "\\"));
    std::string deepest = "k";
    for (int level = 2; level <= 512; ++level) deepest += "\\k";
    EXPECT_FALSE(doc.CreateKey(deepest + "\\k"));
    EXPECT_TRUE(doc.CreateKey(deepest));
    EXPECT_EQ(doc.KeyPaths().size(), 2u);
}

HiveDocument RandomHive(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const std::string alphabet = "aAbB \\\"[]=@;,\t\x01\xC3\xA9:.-";
    auto name = [&](bool forKey) {
        std::string s;
        for (int i = 0, n = 1 + pick(6); i < n; ++i) {
            char c = alphabet[pick(static_cast<int>(alphabet.size()))];
            if (forKey && (c == '\\' || c == '\t' || c == '\x01')) c = 'k';
            s += c;
        }
        return s;
    };
    HiveDocument doc(kRoot);
    for (int k = 0, keys = pick(6); k < keys; ++k) {
        std::string path = name(true);
        for (int depth = pick(3); depth > 0; --depth) path += "\\" + name(true);
        doc.CreateKey(path);
        for (int v = 0, values = pick(5); v < values; ++v) {
            Value value{static_cast<std::uint32_t>(pick(3) == 0 ? rng() : static_cast<unsigned>(pick(5))), {}};
            for (int b = 0, n = pick(100); b < n; ++b)
                value.bytes.push_back(static_cast<std::uint8_t>(pick(4) == 0 ? pick(256) : 'a' + pick(3)));
            if (pick(2)) value.bytes.push_back(0);
            doc.SetValue(path, pick(8) == 0 ? "" : name(false), value);
        }
    }
    return doc;
}

TEST(HiveDocument, ParseGivesBackWhatFormatWrote) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 500; ++round) {
        const HiveDocument doc = RandomHive(rng);
        const std::string text = doc.Format();
        const auto parsed = HiveDocument::Parse(text, kRoot);
        ASSERT_TRUE(parsed.wellFormed) << text;
        ASSERT_TRUE(parsed.document == doc) << text << "\n---\n" << parsed.document.Format();
    }
}

struct ParseCase {
    const char* label;
    const char* text;
    bool wellFormed;
    const char* key;   // a key that must have been read
    const char* name;  // a value that must have been read under it, or null
    Value value;
};

class Parse : public testing::TestWithParam<ParseCase> {};

TEST_P(Parse, ReadsWhatItCanAndSaysWhetherAnythingWasLost) {
    const auto& c = GetParam();
    const auto parsed = HiveDocument::Parse(c.text, kRoot);
    EXPECT_EQ(parsed.wellFormed, c.wellFormed);
    EXPECT_TRUE(parsed.document.HasKey(c.key));
    if (c.name) {
        const Value* v = parsed.document.FindValue(c.key, c.name);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(*v, c.value);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Parse,
    testing::Values(
        ParseCase{"crlfCommentsAndBlanks", "REGEDIT4\r\n; note\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"1\"\r\n", true,
                  "A", "v", Sz("1")},
        ParseCase{"emptyKey", "REGEDIT4\n[HKEY_CURRENT_USER\\A\\B]\n", true, "a\\b", nullptr, {}},
        ParseCase{"sectionsMerge",
                  "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n[HKEY_CURRENT_USER\\a]\n\"y\"=\"2\"\n", true, "A",
                  "x", Sz("1")},
        ParseCase{"hexContinued", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"b\"=hex(7):61,\\\n  00,\\\n  00\n", true, "A",
                  "b", Value{7, {0x61, 0, 0}}},
        ParseCase{"shortDword", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"d\"=DWORD:1F\n", true, "A", "d",
                  Value{4, {0x1f, 0, 0, 0}}},
        ParseCase{"noHeader", "[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n", false, "A", "v", Sz("1")},
        ParseCase{"foreignRoot",
                  "REGEDIT4\n[HKEY_LOCAL_MACHINE\\B]\n\"v\"=\"9\"\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n", false, "A",
                  "v", Sz("1")},
        ParseCase{"badLineSkipped", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\nrubbish\n\"v\"=\"1\"\n", false, "A", "v",
                  Sz("1")},
        ParseCase{"unclosedQuote", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"w\"=\"open\n\"v\"=\"1\"\n", false, "A", "v",
                  Sz("1")},
        ParseCase{"unknownEscape", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"w\"=\"a\\nb\"\n", false, "A", nullptr, {}},
        ParseCase{"badHexByte", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"w\"=hex:1,2g\n", false, "A", nullptr, {}},
        ParseCase{"longDword", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"w\"=dword:123456789\n", false, "A", nullptr, {}},
        ParseCase{"deletion", "REGEDIT4\n[-HKEY_CURRENT_USER\\A]\n[HKEY_CURRENT_USER\\A]\n", false, "A", nullptr, {}},
        ParseCase{"duplicate", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n\"V\"=\"2\"\n", false, "A", "v",
                  Sz("2")},
        ParseCase{"valueBeforeSection", "REGEDIT4\n\"v\"=\"1\"\n[HKEY_CURRENT_USER\\A]\n", false, "A", nullptr, {}},
        ParseCase{"truncated", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n[HKEY_CURRENT_USER\\B", false, "A", "v",
                  Sz("1")}),
    [](const testing::TestParamInfo<ParseCase>& tested) { return tested.param.label; });

TEST(HiveDocument, ParseSurvivesBinaryGarbage) {
    std::mt19937 rng(7);
    const std::string good = HiveDocument(kRoot).Format() + "[HKEY_CURRENT_USER\\A]\n\"v\"=hex(2):61,00\n";
    for (int round = 0; round < 2000; ++round) {
        std::string text = good;
        // Damage a few bytes, or cut the text short.
        for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n)
            text[rng() % text.size()] = static_cast<char>(rng() % 256);
        if (rng() % 3 == 0) text.resize(rng() % text.size());
        const auto parsed = HiveDocument::Parse(text, kRoot);
        if (parsed.wellFormed) {
            EXPECT_TRUE(HiveDocument::Parse(parsed.document.Format(), kRoot).document == parsed.document);
        }
    }
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(rng() % 256);
    EXPECT_FALSE(HiveDocument::Parse(noise, kRoot).wellFormed);
}

}  // namespace
