// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <map>
#include <string>
#include <utility>

#include "HiveDocument.h"
#include "RegistryBackend.h"

// An in-memory registry with advapi32's behaviour, for tests that do not care about
// files. Names match without regard to letter case, as in the engine's own hive.
class MemoryRegistry : public RegistryBackend {
public:
    using Value = HiveDocument::Value;

    reg::Status CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                            reg::KeyHandle* out) override;
    reg::Status OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access, reg::KeyHandle* out) override;
    reg::Status QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override;
    reg::Status SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override;
    reg::Status CloseKey(reg::KeyHandle key) override {
        return handles_.erase(key) ? reg::ERROR_SUCCESS : reg::ERROR_INVALID_HANDLE;
    }

    // Direct access for arranging and checking, bypassing the API.
    void Put(reg::Hive hive, const std::string& path, const std::string& name, const Value& value) {
        Doc(hive).CreateKey(path);
        Doc(hive).SetValue(path, name, value);
    }
    void PutText(reg::Hive hive, const std::string& path, const std::string& name, const std::string& text) {
        Put(hive, path, name, Value{reg::REG_SZ, {text.c_str(), text.c_str() + text.size() + 1}});
    }
    void CreateKey(reg::Hive hive, const std::string& path) { Doc(hive).CreateKey(path); }
    bool HasKey(reg::Hive hive, const std::string& path) const { return Doc(hive).HasKey(path); }
    void DeleteKey(reg::Hive hive, const std::string& path) { Doc(hive).DeleteKey(path); }
    // The stored text without its NUL; "<missing>" when absent or not REG_SZ.
    std::string TextOf(reg::Hive hive, const std::string& path, const std::string& name) const;

private:
    HiveDocument& Doc(reg::Hive hive) const { return hives_[hive == reg::Hive::LocalMachine]; }
    mutable HiveDocument hives_[2]{HiveDocument("HKEY_CURRENT_USER"), HiveDocument("HKEY_LOCAL_MACHINE")};
    std::map<reg::KeyHandle, std::pair<reg::Hive, std::string>> handles_;  // open handle -> key
    reg::KeyHandle next_ = 0x100;
};
