// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "RegistryBackend.h"

// The Windows registry through advapi32's ANSI functions, unchanged: status codes, the
// size probe and the types are advapi32's own. The header stays free of windows.h, whose
// macros (REG_SZ, ERROR_SUCCESS ...) would clash with the reg:: names.
class AdvapiRegistry final : public RegistryBackend {
public:
    // RegOpenKeyExA over the interface's types. Tests put their own in its place to refuse
    // a key the way Windows refuses a standard user 0x3F on HKEY_LOCAL_MACHINE.
    using OpenKeyFunction = reg::Status (*)(reg::KeyHandle root, const char* path, std::uint32_t access,
                                            reg::KeyHandle* out);
    static reg::Status SystemOpenKey(reg::KeyHandle root, const char* path, std::uint32_t access, reg::KeyHandle* out);

    // The hives are HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
    AdvapiRegistry();
    // The hives are the given open keys (tests use keys of their own).
    AdvapiRegistry(reg::KeyHandle currentUser, reg::KeyHandle localMachine, OpenKeyFunction openKey = &SystemOpenKey)
        : currentUser_(currentUser), localMachine_(localMachine), openKey_(openKey) {}

    reg::Status CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                            reg::KeyHandle* out) override;
    reg::Status OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access, reg::KeyHandle* out) override;
    reg::Status QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override;
    reg::Status SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override;
    reg::Status CloseKey(reg::KeyHandle key) override;

private:
    reg::KeyHandle Root(reg::Hive hive) const { return hive == reg::Hive::LocalMachine ? localMachine_ : currentUser_; }

    reg::KeyHandle currentUser_;
    reg::KeyHandle localMachine_;
    OpenKeyFunction openKey_;
};
