// SPDX-License-Identifier: GPL-3.0-or-later
// modRegistry's seven operations, run over every back end the program has.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "modRegistry.h"
#include "support/MemoryRegistry.h"
#include "support/RegistryDatumPrinter.h"
#include "support/TempDir.h"
#ifndef _WIN32
#include "linux/FileRegistry.h"
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;
const char* const kKey = "Software\\Quillfen\\Voltara\\Window";

struct Backend {
    const char* name;
    std::function<std::unique_ptr<RegistryBackend>(const TempDir&)> make;
};

class ModRegistry : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        backend = GetParam().make(dir);
        registry = std::make_unique<modRegistry>(*backend, ',');
    }

    // Stores raw bytes the way another program could, bypassing modRegistry.
    void PutRaw(const std::string& name, std::uint32_t type, const Bytes& bytes) {
        reg::KeyHandle key = 0;
        ASSERT_EQ(backend->CreateKeyEx(reg::Hive::CurrentUser, kKey, 0x3F, &key), reg::ERROR_SUCCESS);
        ASSERT_EQ(backend->SetValueEx(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size())),
                  reg::ERROR_SUCCESS);
        backend->CloseKey(key);
    }

    Bytes RawOf(const std::string& name, std::uint32_t* type = nullptr) {
        reg::KeyHandle key = 0;
        backend->OpenKeyEx(reg::Hive::CurrentUser, kKey, 0x3F, &key);
        std::uint32_t size = 0;
        std::uint32_t t = 0;
        Bytes bytes;
        if (backend->QueryValueEx(key, name, &t, nullptr, &size) == reg::ERROR_SUCCESS) {
            bytes.resize(size);
            backend->QueryValueEx(key, name, &t, bytes.data(), &size);
        }
        backend->CloseKey(key);
        if (type) *type = t;
        return bytes;
    }

    // Runs QueryRegistryValue on an open key, starting from the given datum.
    reg::Status Query(const std::string& name, RegistryDatum& datum) {
        reg::KeyHandle key = 0;
        backend->OpenKeyEx(reg::Hive::CurrentUser, kKey, 0x3F, &key);
        const auto status = registry->QueryRegistryValue(key, name, datum);
        backend->CloseKey(key);
        return status;
    }

    TempDir dir;
    std::unique_ptr<RegistryBackend> backend;
    std::unique_ptr<modRegistry> registry;
};

TEST_P(ModRegistry, EveryKindOfValueRoundTrips) {
    registry->CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    const std::pair<RegistryValue, RegistryDatum> cases[] = {
        {RegistryValue("C:\\Program Files\\\"x\"\nline"), RegistryDatum::Text("C:\\Program Files\\\"x\"\nline")},
        {RegistryValue(""), RegistryDatum::Text("")},
        {RegistryValue(-7), RegistryDatum::Text("-7")},
        {RegistryValue(1234.5f), RegistryDatum::Text("1234,5")},
        {RegistryValue(true), RegistryDatum::Text("True")},
    };
    for (const auto& [value, expected] : cases) {
        registry->SaveUserString(kKey, "V", value);
        EXPECT_EQ(registry->GetUserString(kKey, "V"), expected) << value.TextForm('.');
    }
    // Text is stored as REG_SZ with its NUL, which reading drops.
    registry->SaveUserString(kKey, "Low Warning Percent", 10);
    std::uint32_t type = 0;
    EXPECT_EQ(RawOf("Low Warning Percent", &type), (Bytes{'1', '0', 0}));
    EXPECT_EQ(type, reg::REG_SZ);
    registry->SaveUserString(kKey, "D", -2.5, reg::REG_DWORD);
    EXPECT_EQ(registry->GetUserString(kKey, "D"), RegistryDatum::Integer(-2));
    EXPECT_EQ(RawOf("D"), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_P(ModRegistry, NamesMatchWithoutRegardToCase) {
    registry->CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry->SaveUserString(kKey, "AC On", "1");
    EXPECT_EQ(registry->GetUserString("SOFTWARE\\quillfen\\VOLTARA\\window", "Ac On"), RegistryDatum::Text("1"));
    registry->SaveUserString(kKey, "ac on", "0");
    EXPECT_EQ(registry->GetUserString(kKey, "AC ON"), RegistryDatum::Text("0"));
}

// Values as another program could have stored them, read into a datum that held "kept".
TEST_P(ModRegistry, StoredValuesReadByTypeAndOthersLeaveTheDatum) {
    const struct {
        const char* name;
        std::uint32_t type;
        Bytes bytes;
        reg::Status status;
        RegistryDatum datum;
    } cases[] = {
        {"Count", reg::REG_DWORD, {25, 0, 0, 0}, reg::ERROR_SUCCESS, RegistryDatum::Integer(25)},
        {"NoNul", reg::REG_SZ, {'1', '0'}, reg::ERROR_SUCCESS, RegistryDatum::Text("10")},
        {"Nothing", reg::REG_SZ, {}, reg::ERROR_SUCCESS, RegistryDatum::Text("kept")},
        {"Blob", 3, {1, 2, 3}, -1, RegistryDatum::Text("kept")},
        {"Many", 7, {'a', 0, 0}, -1, RegistryDatum::Text("kept")},
        // A DWORD that claims 8 bytes must not be copied into a 4-byte integer.
        {"LongDword", reg::REG_DWORD, {1, 0, 0, 0, 9, 9, 9, 9}, reg::ERROR_MORE_DATA, RegistryDatum::Text("kept")},
        {"Absent", 0, {}, reg::ERROR_FILE_NOT_FOUND, RegistryDatum::Text("kept")},
    };
    for (const auto& c : cases)
        if (std::string(c.name) != "Absent") PutRaw(c.name, c.type, c.bytes);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegistryDatum datum = RegistryDatum::Text("kept");
        EXPECT_EQ(Query(c.name, datum), c.status);
        EXPECT_EQ(datum, c.datum);
        const RegistryDatum read = registry->GetUserString(kKey, c.name);
        EXPECT_EQ(read, datum == RegistryDatum::Text("kept") ? RegistryDatum() : c.datum);
    }
}

TEST_P(ModRegistry, AMissingKeyReadsEmptyAndSaveNeverCreatesIt) {
    const char* const setting = "Software\\Quillfen\\Voltara\\Setting";
    registry->SaveUserString(setting, "Show Info", "No");
    reg::KeyHandle key = 0;
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::CurrentUser, setting, 0x3F, &key), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    EXPECT_TRUE(registry->GetUserString(setting, "Show Info").IsEmpty());
}

TEST_P(ModRegistry, CreateMakesTheWholePathAndKeepsWhatIsThere) {
    registry->CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry->SaveUserString(kKey, "X", 120);
    registry->CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    EXPECT_EQ(registry->GetUserString(kKey, "X"), RegistryDatum::Text("120"));
    reg::KeyHandle key = 0;
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::CurrentUser, "Software\\Quillfen", 0x3F, &key), reg::ERROR_SUCCESS);
    backend->CloseKey(key);
}

TEST_P(ModRegistry, UnsupportedWriteTypeWritesNothing) {
    registry->CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    reg::KeyHandle key = 0;
    backend->OpenKeyEx(reg::Hive::CurrentUser, kKey, 0x3F, &key);
    EXPECT_EQ(registry->SetRegistryValue(key, "Bin", 3, RegistryValue("x")), reg::ERROR_SUCCESS);
    EXPECT_EQ(registry->SetRegistryValue(0, "Bin", reg::REG_SZ, RegistryValue("x")), reg::ERROR_INVALID_HANDLE);
    backend->CloseKey(key);
    EXPECT_TRUE(registry->GetUserString(kKey, "Bin").IsEmpty());
}

// Whatever the locale's separator, a fraction the program writes reads back.
TEST(StoredDecimalSeparator, FollowsTheLocaleWhereTheReadersCan) {
    const std::pair<const char*, char> cases[] = {
        {".", '.'}, {",", ','}, {"\xd9\xab", '.'} /* Persian, U+066B */, {"\xc2\xb7", '.'} /* U+00B7 */, {"", '.'}};
    for (const auto& [locale, expected] : cases) {
        SCOPED_TRACE(locale);
        MemoryRegistry store;
        modRegistry registry(store, StoredDecimalSeparator(locale));
        EXPECT_EQ(registry.DecimalSeparator(), expected);
        registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
        registry.SaveUserString(kKey, "X", 1234.5f);
        EXPECT_EQ(AsPosition(registry.GetUserString(kKey, "X")), 1234.5f);
    }
}

std::vector<Backend> Backends() {
    std::vector<Backend> list{{"Memory", [](const TempDir&) { return std::make_unique<MemoryRegistry>(); }}};
#ifndef _WIN32
    list.push_back({"File", [](const TempDir& dir) -> std::unique_ptr<RegistryBackend> {
                        return std::make_unique<FileRegistry>(dir.path() / "cu" / "HKEY_CURRENT_USER.reg",
                                                              dir.path() / "lm" / "HKEY_LOCAL_MACHINE.reg",
                                                              AutostartRunKey(dir.path() / "autostart", {}));
                    }});
#endif
    return list;
}

INSTANTIATE_TEST_SUITE_P(Backends, ModRegistry, testing::ValuesIn(Backends()),
                         [](const testing::TestParamInfo<Backend>& tested) { return tested.param.name; });

}  // namespace
