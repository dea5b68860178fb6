// SPDX-License-Identifier: GPL-3.0-or-later
// modRegistry over the real Windows registry, on keys of the test's own under
// HKEY_CURRENT_USER\Software\Quillfen\VoltaraTest, which stand in for the two hives.
#include <gtest/gtest.h>

#include <string>

#include "RunEntry.h"
#include "modRegistry.h"
#include "windows/AdvapiRegistry.h"

// Last: its macros take the place of the reg:: names (REG_SZ, ERROR_SUCCESS ...), with
// the same values.
#include <windows.h>

namespace {

HKEY machineRoot = nullptr;

// As Windows answers a standard user on HKEY_LOCAL_MACHINE's Run key: reading is allowed,
// any access that writes is refused.
reg::Status RefuseMachineKeys(reg::KeyHandle root, const char* path, std::uint32_t access, reg::KeyHandle* out) {
    if (root == reinterpret_cast<reg::KeyHandle>(machineRoot) && (access & ~KEY_READ) != 0) return ERROR_ACCESS_DENIED;
    return AdvapiRegistry::SystemOpenKey(root, path, access, out);
}

TEST(AdvapiRegistry, ValuesRoundTripAndEachHiveKeepsToItsRoot) {
    HKEY user = nullptr;
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillfen\\VoltaraTest");  // left over by the last run
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillfen\\VoltaraTest\\HKCU", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &user, nullptr);
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillfen\\VoltaraTest\\HKLM", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &machineRoot, nullptr);
    const auto u = reinterpret_cast<reg::KeyHandle>(user), m = reinterpret_cast<reg::KeyHandle>(machineRoot);
    AdvapiRegistry backend(u, m), refused(u, m, &RefuseMachineKeys);
    modRegistry registry(backend, ','), standardUser(refused, ',');
    registry.CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    const std::string longText(5000, 'x');  // far beyond any first guess of a buffer
    registry.SaveUserString(regkeys::Window, "V", longText);
    EXPECT_EQ(registry.GetUserString(regkeys::Window, "v"), RegistryDatum::Text(longText));
    registry.CreateRegistryKey(regkeys::Run, reg::Hive::LocalMachine);
    registry.SaveMachineString(regkeys::Run, "Voltara", "C:\\Old\\voltara.exe");
    standardUser.SaveMachineString(regkeys::Run, "Voltara", "");
    EXPECT_EQ(standardUser.GetMachineString(regkeys::Run, "Voltara"), RegistryDatum::Text("C:\\Old\\voltara.exe"));
    EXPECT_TRUE(registry.GetUserString(regkeys::Run, "Voltara").IsEmpty());

    // Start with Windows for a standard user: the administrator's machine-wide entry counts and
    // cannot be switched off by the user; the user's own entry is quoted and switches.
    const std::string program = "C:\\My Tools\\Voltara\\voltara.exe";
    EXPECT_TRUE(RunEntryStored(standardUser, RunEntryPlace::UserKey));
    EXPECT_TRUE(StoreRunEntry(standardUser, RunEntryPlace::UserKey, program, false));
    EXPECT_FALSE(StoreRunEntry(registry, RunEntryPlace::UserKey, program, false));  // an administrator may
    EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Voltara"), RegistryDatum::Text(""));
    EXPECT_TRUE(StoreRunEntry(standardUser, RunEntryPlace::UserKey, program, true));
    EXPECT_EQ(registry.GetUserString(regkeys::Run, "Voltara"), RegistryDatum::Text('"' + program + '"'));
    EXPECT_FALSE(StoreRunEntry(standardUser, RunEntryPlace::UserKey, program, false));
    EXPECT_EQ(registry.GetUserString(regkeys::Run, "Voltara"), RegistryDatum::Text(""));
}

}  // namespace
