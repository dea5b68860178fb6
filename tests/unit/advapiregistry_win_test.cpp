// SPDX-License-Identifier: GPL-3.0-or-later
// modRegistry over the real Windows registry, on keys of the test's own under
// HKEY_CURRENT_USER\Software\Quillfen\VoltaraTest, which stand in for the two hives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modRegistry.h"
#include "windows/AdvapiRegistry.h"

// Last: its macros take the place of the reg:: names (REG_SZ, ERROR_SUCCESS ...), with
// the same values.
#include <windows.h>

namespace {

const std::string kTestRoot = "Software\\Quillfen\\VoltaraTest";

reg::KeyHandle Handle(HKEY key) { return reinterpret_cast<reg::KeyHandle>(key); }

// Refused as Windows refuses a standard user who asks for 0x3F on HKEY_LOCAL_MACHINE.
HKEY machineRoot = nullptr;
reg::Status RefuseMachineKeys(reg::KeyHandle root, const char* path, std::uint32_t access, reg::KeyHandle* out) {
    return root == Handle(machineRoot) ? ERROR_ACCESS_DENIED : AdvapiRegistry::SystemOpenKey(root, path, access, out);
}

std::vector<std::uint8_t> RawOf(const std::string& path, const char* name, DWORD type) {
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size))
        return {};
    std::vector<std::uint8_t> bytes(size);
    RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, flags, nullptr, bytes.data(), &size);
    return bytes;
}

TEST(AdvapiRegistry, ValuesKeepTheirStoredFormAndEachHiveItsRoot) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot.c_str());  // left over by an aborted run
    HKEY user = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (kTestRoot + "\\HKCU").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &user, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (kTestRoot + "\\HKLM").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &machineRoot, nullptr),
              ERROR_SUCCESS);
    AdvapiRegistry backend(Handle(user), Handle(machineRoot)),
        refused(Handle(user), Handle(machineRoot), &RefuseMachineKeys);
    modRegistry registry(backend, ','), refusedRegistry(refused, ',');
    const std::string window = kTestRoot + "\\HKCU\\" + regkeys::Window;
    registry.SaveUserString(regkeys::Window, "V", "x");  // no key: nothing is created
    EXPECT_TRUE(RawOf(window, "V", RRF_RT_ANY).empty());
    registry.CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    const std::string longText(5000, 'x');  // far beyond any first guess of a buffer
    for (const auto& [value, text] : {std::pair<RegistryValue, std::string>{1234.5f, "1234,5"}, {longText, longText}}) {
        registry.SaveUserString(regkeys::Window, "V", value);
        EXPECT_EQ(RawOf(window, "V", RRF_RT_REG_SZ),
                  std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
        EXPECT_EQ(registry.GetUserString(regkeys::Window, "v"), RegistryDatum::Text(text));
    }
    registry.SaveUserString(regkeys::Window, "D", -2.5, REG_DWORD);
    EXPECT_EQ(RawOf(window, "D", RRF_RT_REG_DWORD), (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(registry.GetUserString(regkeys::Window, "D"), RegistryDatum::Integer(-2));

    registry.CreateRegistryKey(regkeys::Run, reg::Hive::LocalMachine);
    registry.SaveMachineString(regkeys::Run, "Voltara", "C:\\Old\\voltara.exe");
    refusedRegistry.SaveMachineString(regkeys::Run, "Voltara", "");
    EXPECT_TRUE(refusedRegistry.GetMachineString(regkeys::Run, "Voltara").IsEmpty());
    EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Voltara"), RegistryDatum::Text("C:\\Old\\voltara.exe"));
    EXPECT_TRUE(registry.GetUserString(regkeys::Run, "Voltara").IsEmpty());
    RegCloseKey(user);
    RegCloseKey(machineRoot);
    RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot.c_str());
}

}  // namespace
