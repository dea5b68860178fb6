// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>

// The registry functions modRegistry needs, with advapi32's shapes and status codes,
// so the same algorithms run over the Windows registry and over the file hive.
namespace reg {
using Status = std::int32_t;       // LONG
using KeyHandle = std::uintptr_t;  // HKEY; 0 means "no key"

enum class Hive { CurrentUser, LocalMachine };

inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t KEY_ACCESS_0x3F = 0x3F;
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x1;

inline constexpr Status ERROR_SUCCESS = 0;
inline constexpr Status ERROR_FILE_NOT_FOUND = 2;
inline constexpr Status ERROR_ACCESS_DENIED = 5;
inline constexpr Status ERROR_INVALID_HANDLE = 6;
inline constexpr Status ERROR_WRITE_FAULT = 29;
inline constexpr Status ERROR_INVALID_PARAMETER = 87;
inline constexpr Status ERROR_MORE_DATA = 234;
inline constexpr Status ERROR_KEY_DELETED = 1018;
}  // namespace reg

class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    // RegCreateKeyExA: creates missing keys along the path; an existing key is opened.
    virtual reg::Status CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                    reg::KeyHandle* out) = 0;
    // RegOpenKeyExA: *out stays 0 when the key is missing or access is refused.
    virtual reg::Status OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                  reg::KeyHandle* out) = 0;
    // RegQueryValueExA: with data null it reports type and size only (the size probe);
    // with a buffer smaller than the value it answers ERROR_MORE_DATA. *size is in/out.
    virtual reg::Status QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* size) = 0;
    // RegSetValueExA: stores the bytes as given (a REG_SZ carries its NUL).
    virtual reg::Status SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) = 0;
    virtual reg::Status CloseKey(reg::KeyHandle key) = 0;
};
