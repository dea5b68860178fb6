// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/AdvapiRegistry.h"

// Last: from here on REG_SZ, ERROR_SUCCESS and the like are windows.h's macros.
#include <windows.h>

namespace {
HKEY ToHkey(reg::KeyHandle key) { return reinterpret_cast<HKEY>(key); }
reg::KeyHandle FromHkey(HKEY key) { return reinterpret_cast<reg::KeyHandle>(key); }
}  // namespace

reg::Status AdvapiRegistry::SystemOpenKey(reg::KeyHandle root, const char* path, std::uint32_t access,
                                          reg::KeyHandle* out) {
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExA(ToHkey(root), path, 0, access, &key);
    *out = status == ERROR_SUCCESS ? FromHkey(key) : 0;
    return status;
}

AdvapiRegistry::AdvapiRegistry() : AdvapiRegistry(FromHkey(HKEY_CURRENT_USER), FromHkey(HKEY_LOCAL_MACHINE)) {}

reg::Status AdvapiRegistry::CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                        reg::KeyHandle* out) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG status = RegCreateKeyExA(ToHkey(Root(hive)), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &key, &disposition);
    *out = status == ERROR_SUCCESS ? FromHkey(key) : 0;
    return status;
}

reg::Status AdvapiRegistry::OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                      reg::KeyHandle* out) {
    *out = 0;
    const reg::Status status = openKey_(Root(hive), path.c_str(), access, out);
    if (status != ERROR_SUCCESS) *out = 0;
    return status;
}

reg::Status AdvapiRegistry::QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* size) {
    // DWORD is unsigned long here, not the interface's uint32_t.
    DWORD t = 0;
    DWORD n = size ? *size : 0;
    const LONG status =
        RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, type ? &t : nullptr, data, size ? &n : nullptr);
    if (type) *type = t;
    if (size) *size = n;
    return status;
}

reg::Status AdvapiRegistry::SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t size) {
    return RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

reg::Status AdvapiRegistry::CloseKey(reg::KeyHandle key) { return RegCloseKey(ToHkey(key)); }
