// SPDX-License-Identifier: GPL-3.0-or-later
// modRegistry over the real Windows registry, on keys of the test's own under
// HKEY_CURRENT_USER\Software\Quillfen\VoltaraTest, which stand in for the two hives.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "modRegistry.h"
#include "windows/AdvapiRegistry.h"

// Last: its macros take the place of the reg:: names (REG_SZ, ERROR_SUCCESS ...), with
// the same values.
#include <windows.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
const char* const kTestRoot = "Software\\Quillfen\\VoltaraTest";

reg::KeyHandle Handle(HKEY key) { return reinterpret_cast<reg::KeyHandle>(key); }

// Where the test's "HKEY_LOCAL_MACHINE" lives; RefuseMachineKeys refuses it as Windows
// refuses a standard user who asks for 0x3F on HKEY_LOCAL_MACHINE.
HKEY machineRoot = nullptr;

reg::Status RefuseMachineKeys(reg::KeyHandle root, const char* path, std::uint32_t access, reg::KeyHandle* out) {
    if (root == Handle(machineRoot)) return ERROR_ACCESS_DENIED;
    return AdvapiRegistry::SystemOpenKey(root, path, access, out);
}

class AdvapiRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);  // left over by an aborted run
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kTestRoot) + "\\HKCU").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &user_, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kTestRoot) + "\\HKLM").c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &machine_, nullptr),
                  ERROR_SUCCESS);
        machineRoot = machine_;
        Use(&AdvapiRegistry::SystemOpenKey);
    }

    void TearDown() override {
        registry.reset();
        backend.reset();
        machineRoot = nullptr;
        if (user_) RegCloseKey(user_);
        if (machine_) RegCloseKey(machine_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quillfen");  // only when nothing else is in it
    }

    void Use(AdvapiRegistry::OpenKeyFunction openKey) {
        registry.reset();
        backend = std::make_unique<AdvapiRegistry>(Handle(user_), Handle(machine_), openKey);
        registry = std::make_unique<modRegistry>(*backend, ',');
    }

    // Stores raw bytes the way another program could, around modRegistry and the back end.
    void PutRaw(HKEY root, const char* path, const char* name, DWORD type, const Bytes& bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    std::pair<DWORD, Bytes> RawOf(HKEY root, const char* path, const char* name) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegGetValueA(root, path, name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size) != ERROR_SUCCESS)
            return {0, {}};
        Bytes bytes(size);
        RegGetValueA(root, path, name, RRF_RT_ANY | RRF_NOEXPAND, &type, bytes.data(), &size);
        bytes.resize(size);
        return {type, bytes};
    }

    bool KeyExists(HKEY root, const char* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

    reg::Status Query(const char* path, const char* name, RegistryDatum& datum) {
        reg::KeyHandle key = 0;
        backend->OpenKeyEx(reg::Hive::CurrentUser, path, reg::KEY_ACCESS_0x3F, &key);
        const auto status = registry->QueryRegistryValue(key, name, datum);
        backend->CloseKey(key);
        return status;
    }

    HKEY user_ = nullptr;
    HKEY machine_ = nullptr;
    std::unique_ptr<AdvapiRegistry> backend;
    std::unique_ptr<modRegistry> registry;
};

TEST_F(AdvapiRegistryTest, ValuesRoundTripInTheirStoredForm) {
    registry->CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    const std::string longText(5000, 'x');
    const std::pair<RegistryValue, std::string> cases[] = {
        {RegistryValue("C:\\Program Files\\Voltara\\voltara.exe"), "C:\\Program Files\\Voltara\\voltara.exe"},
        {RegistryValue(""), ""},
        {RegistryValue(10), "10"},
        {RegistryValue(-7), "-7"},
        {RegistryValue(1234.5f), "1234,5"},
        {RegistryValue(true), "True"},
        {RegistryValue(longText), longText},  // far beyond any first guess of a buffer
    };
    for (const auto& [value, text] : cases) {
        registry->SaveUserString(regkeys::Window, "V", value);
        Bytes stored(text.begin(), text.end());
        stored.push_back(0);
        EXPECT_EQ(RawOf(user_, regkeys::Window, "V"), std::make_pair(DWORD{REG_SZ}, stored)) << text.size();
        EXPECT_EQ(registry->GetUserString(regkeys::Window, "v"), RegistryDatum::Text(text)) << text.size();
    }

    registry->SaveUserString(regkeys::Window, "D", -2.5, REG_DWORD);
    EXPECT_EQ(RawOf(user_, regkeys::Window, "D"), std::make_pair(DWORD{REG_DWORD}, Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(registry->GetUserString(regkeys::Window, "D"), RegistryDatum::Integer(-2));
}

TEST_F(AdvapiRegistryTest, ForeignValuesReadAsTheirTypeAllows) {
    PutRaw(user_, regkeys::TimeCalc, "Count", REG_DWORD, {25, 0, 0, 0});
    PutRaw(user_, regkeys::TimeCalc, "NoNul", REG_SZ, {'1', '0'});
    PutRaw(user_, regkeys::TimeCalc, "Blob", REG_BINARY, {1, 2, 3});
    PutRaw(user_, regkeys::TimeCalc, "Many", REG_MULTI_SZ, {'a', 0, 0});
    PutRaw(user_, regkeys::TimeCalc, "Nothing", REG_SZ, {});

    EXPECT_EQ(registry->GetUserString(regkeys::TimeCalc, "count"), RegistryDatum::Integer(25));
    EXPECT_EQ(registry->GetUserString(regkeys::TimeCalc, "NoNul"), RegistryDatum::Text("10"));

    struct Case {
        const char* name;
        reg::Status status;
    };
    for (const Case& c :
         {Case{"Blob", -1}, Case{"Many", -1}, Case{"Nothing", ERROR_SUCCESS}, Case{"Absent", ERROR_FILE_NOT_FOUND}}) {
        RegistryDatum datum = RegistryDatum::Text("before");
        EXPECT_EQ(Query(regkeys::TimeCalc, c.name, datum), c.status) << c.name;
        EXPECT_EQ(datum, RegistryDatum::Text("before")) << c.name;
        EXPECT_TRUE(registry->GetUserString(regkeys::TimeCalc, c.name).IsEmpty()) << c.name;
    }
    EXPECT_TRUE(registry->GetUserString("Software\\Nobody", "X").IsEmpty());
}

TEST_F(AdvapiRegistryTest, OnlyCreateMakesKeys) {
    registry->SaveUserString(regkeys::Setting, "Show Info", "No");
    EXPECT_FALSE(KeyExists(user_, regkeys::Setting));
    EXPECT_FALSE(KeyExists(user_, "Software"));

    registry->CreateRegistryKey(regkeys::Setting, reg::Hive::CurrentUser);
    registry->SaveUserString(regkeys::Setting, "Show Info", "No");
    registry->CreateRegistryKey(regkeys::Setting, reg::Hive::CurrentUser);
    EXPECT_EQ(registry->GetUserString(regkeys::Setting, "Show Info"), RegistryDatum::Text("No"));
    EXPECT_TRUE(KeyExists(user_, "Software\\Quillfen"));
}

TEST_F(AdvapiRegistryTest, HivesGoToTheirOwnRoots) {
    registry->CreateRegistryKey(regkeys::Run, reg::Hive::LocalMachine);
    registry->SaveMachineString(regkeys::Run, "Voltara", "C:\\Voltara\\voltara.exe");
    EXPECT_EQ(RawOf(machine_, regkeys::Run, "Voltara").second,
              Bytes(std::begin("C:\\Voltara\\voltara.exe"), std::end("C:\\Voltara\\voltara.exe")));
    EXPECT_TRUE(registry->GetUserString(regkeys::Run, "Voltara").IsEmpty());
    EXPECT_FALSE(KeyExists(user_, regkeys::Run));

    // Without roots of its own the back end uses the real hives.
    AdvapiRegistry system;
    modRegistry direct(system);
    const std::string path = std::string(kTestRoot) + "\\Direct";
    direct.CreateRegistryKey(path, reg::Hive::CurrentUser);
    direct.SaveUserString(path, "Name", "value");
    EXPECT_EQ(RawOf(HKEY_CURRENT_USER, path.c_str(), "Name").second, (Bytes{'v', 'a', 'l', 'u', 'e', 0}));
}

TEST_F(AdvapiRegistryTest, RefusedMachineKeyReadsEmptyAndTakesNoWrite) {
    PutRaw(machine_, regkeys::Run, "Voltara", REG_SZ,
           Bytes(std::begin("C:\\Old\\voltara.exe"), std::end("C:\\Old\\voltara.exe")));
    ASSERT_EQ(registry->GetMachineString(regkeys::Run, "Voltara"), RegistryDatum::Text("C:\\Old\\voltara.exe"));

    Use(&RefuseMachineKeys);
    EXPECT_TRUE(registry->GetMachineString(regkeys::Run, "Voltara").IsEmpty());
    registry->SaveMachineString(regkeys::Run, "Voltara", "");
    registry->SaveMachineString(regkeys::Run, "Voltara", "C:\\New\\voltara.exe");
    EXPECT_EQ(RawOf(machine_, regkeys::Run, "Voltara").second,
              Bytes(std::begin("C:\\Old\\voltara.exe"), std::end("C:\\Old\\voltara.exe")));

    // The user's own keys are still open to it.
    registry->CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    registry->SaveUserString(regkeys::Window, "Display", "1");
    EXPECT_EQ(registry->GetUserString(regkeys::Window, "Display"), RegistryDatum::Text("1"));
}

}  // namespace
