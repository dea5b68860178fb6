// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <optional>

#include "HiveDocument.h"

namespace {

using Value = HiveDocument::Value;
const std::string kRoot = "HKEY_CURRENT_USER";

Value Sz(const std::string& text) { return Value{1, {text.c_str(), text.c_str() + text.size() + 1}}; }

// Names match without regard to case and keep the spelling they were first given.
TEST(HiveDocument, FormatsTheRegistryEditorsExportForm) {
    HiveDocument doc(kRoot);
    const std::string w = "Software\\Quillfen\\Voltara\\Window";
    ASSERT_TRUE(doc.CreateKey(w) && doc.CreateKey("SOFTWARE\\quillfen\\Voltara\\Setting"));
    doc.SetValue(w, "X", Sz("old"));
    doc.SetValue("SOFTWARE\\QUILLFEN\\VOLTARA\\WINDOW", "x", Sz("C:\\a \"b\""));
    doc.SetValue("software\\quillfen\\voltara\\window", "Count", Value{4, {0x1f, 0x2e, 0x3d, 0x0c}});
    doc.SetValue(w, "Bin", Value{3, std::vector<std::uint8_t>(34, 0xab)});
    EXPECT_FALSE(doc.SetValue(w, "Two\nLines", Sz("x")));
    doc.SetValue(w, "Multi", Sz("ab\n"));
    doc.SetValue(w, "Nul", Value{1, {0x61, 0, 0x62, 0}});
    doc.SetValue(w, "Path", Value{2, {0x61, 0}});  // one line of text, but not a REG_SZ
    doc.SetValue(w, "", Value{11, {}});
    const std::string row = "ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,";  // long lines continue as the editor's do
    const std::string bin = "\"Bin\"=hex:" + row + row + "\\\n  " + row + "ab\n";
    EXPECT_EQ(doc.Format(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Setting]\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Window]\n@=hex(b):\n" +
                  bin +
                  "\"Count\"=dword:0c3d2e1f\n\"Multi\"=hex(1):61,62,0a,00\n\"Nul\"=hex(1):61,00,62,00\n\"Path\"=hex(2):"
                  "61,00\n\"X\"=\"C:\\\\a "
                  "\\\"b\\\"\"\n\n");
    EXPECT_TRUE(HiveDocument::Parse(doc.Format(), kRoot).document == doc);  // and reads back whole
}

// A deleted key takes its sub-keys, and no other key; a path the file cannot carry is refused.
TEST(HiveDocument, KeysAndTheirLimits) {
    HiveDocument doc(kRoot);
    for (const char* path : {"a\\b\\c", "a b", "ab\\", "a\\bc"}) doc.CreateKey(path);
    doc.SetValue("a", "v", Sz("1"));
    // Deleted, then gone.
    EXPECT_EQ(
        (std::tuple{doc.DeleteKey("A\\B"), doc.KeyPaths(), doc.DeleteKey("a\\b") || doc.DeleteValue("a\\b", "v")}),
        std::tuple(true, std::vector<std::string>{"a", "a\\bc", "a b", "ab"}, false));
    for (const char* bad : {"\\a", "a\\\\b", "a\nb", "a\\b\r", "a\x1f", "a\x7f"})
        EXPECT_FALSE(doc.CreateKey(bad)) << bad;
    std::string deepest = "k";
    for (int level = 2; level <= 512; ++level) deepest += "\\k";
    // A name of 255 characters at most, 512 levels at most.
    EXPECT_FALSE(doc.CreateKey(std::string(256, 'k')) || doc.CreateKey(deepest + "\\k"));
    EXPECT_TRUE(doc.CreateKey(std::string(255, 'k') + "\\") && doc.CreateKey(deepest));
}

// What a text gives for the value v of the key A, and whether anything of it was lost.
TEST(HiveDocument, ParseReadsWhatItCanAndSaysWhetherAnythingWasLost) {
    const std::string a = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n";
    const std::tuple<std::string, bool, std::optional<Value>> cases[] = {
        {"REGEDIT4\r\n; note\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"v\"=\"1\"\r\n", true, Sz("1")},
        {a + "\"x\"=\"1\"\n[HKEY_CURRENT_USER\\a]\t\n\"v\" = \"2\"\n", true, Sz("2")},
        {a + "\"v\"=hex(00000007):61,\\\n  00,\\\n  00\n", true, Value{7, {0x61, 0, 0}}},
        {a + "\"v\"=DWORD:FFFFFF1F\n", true, Value{4, {0x1f, 0xff, 0xff, 0xff}}},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"9\"\n[HKEY_CURRENT_USER\\A]\n", false, {}},
        {a + "rubbish\n\"v\"=\"1\"\n", false, Sz("1")},
        {a + "\"v\"=\"a\\nb\"\n\"v\"=hex:1,2g\n\"v\"=dword:123456789\n\"v\"=\"1\"x\n\"v\":\"1\"\n", false, {}},
        {a + "\"v\"=\"1\"\n\"V\"=\"2\"\n", false, Sz("2")},
        {a + "\"v\"=hex:31,\\\n\"v\"=hex:32\n", false, Value{3, {0x32}}},  // an entry continues no line
        {a + "\"w\x01\"=\"1\"\n\"v\"=\"1\"\n", false, Sz("1")},
        {"REGEDIT4\n\"v\"=\"1\"\n[HKEY_CURRENT_USER\\A]\n", false, {}},
        {a + "\"v\"=\"1\"\n[HKEY_CURRENT_USER\\B", false, Sz("1")}};
    for (const auto& [text, wellFormed, value] : cases) {
        const auto parsed = HiveDocument::Parse(text, kRoot);
        const Value* v = parsed.document.FindValue("a", "V");
        EXPECT_EQ(std::tuple(parsed.wellFormed, parsed.document.HasKey("a"), v ? std::optional(*v) : std::nullopt),
                  std::tuple(wellFormed, true, value))
            << text;
    }
    EXPECT_FALSE(HiveDocument::Parse(a, kRoot).document == HiveDocument::Parse(a + "@=\"\"", kRoot).document);
}

}  // namespace
