// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <map>
#include <string>
#include <vector>

#include "RegistryBackend.h"

// An in-memory registry with advapi32's behaviour, for engine tests that do not care
// about files. Names match without regard to letter case.
class MemoryRegistry : public RegistryBackend {
public:
    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    };

    reg::Status CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                            reg::KeyHandle* out) override;
    reg::Status OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access, reg::KeyHandle* out) override;
    reg::Status QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type, std::uint8_t* data,
                             std::uint32_t* size) override;
    reg::Status SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type, const std::uint8_t* data,
                           std::uint32_t size) override;
    reg::Status CloseKey(reg::KeyHandle key) override;

    // Direct access for arranging and checking, bypassing the API.
    void PutText(reg::Hive hive, const std::string& path, const std::string& name, const std::string& text);
    void PutRaw(reg::Hive hive, const std::string& path, const std::string& name, Value value);
    bool HasKey(reg::Hive hive, const std::string& path) const;
    void DeleteKey(reg::Hive hive, const std::string& path);
    // The stored text without its NUL; "<missing>" when absent or not REG_SZ.
    std::string TextOf(reg::Hive hive, const std::string& path, const std::string& name) const;

    bool denyLocalMachine = false;  // opening HKLM with 0x3F fails, as for a standard user
    int openHandles() const { return static_cast<int>(handles_.size()); }

private:
    using Key = std::map<std::string, Value>;  // lower-cased name -> value
    static std::string Id(reg::Hive hive, const std::string& path);
    std::map<std::string, Key> keys_;                // Id -> key
    std::map<reg::KeyHandle, std::string> handles_;  // open handle -> Id
    reg::KeyHandle next_ = 0x100;
};
