// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MemoryRegistry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}
}  // namespace

std::string MemoryRegistry::Id(reg::Hive hive, const std::string& path) {
    return (hive == reg::Hive::CurrentUser ? "hkcu\\" : "hklm\\") + Lower(path);
}

reg::Status MemoryRegistry::CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                        reg::KeyHandle* out) {
    if (hive == reg::Hive::LocalMachine && denyLocalMachine) return reg::ERROR_ACCESS_DENIED;
    // Intermediate keys along the path come into being too.
    for (std::size_t i = path.find('\\'); i != std::string::npos; i = path.find('\\', i + 1))
        keys_.try_emplace(Id(hive, path.substr(0, i)));
    keys_.try_emplace(Id(hive, path));
    return OpenKeyEx(hive, path, access, out);
}

reg::Status MemoryRegistry::OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t, reg::KeyHandle* out) {
    if (hive == reg::Hive::LocalMachine && denyLocalMachine) return reg::ERROR_ACCESS_DENIED;
    if (!keys_.count(Id(hive, path))) return reg::ERROR_FILE_NOT_FOUND;
    *out = next_++;
    handles_[*out] = Id(hive, path);
    return reg::ERROR_SUCCESS;
}

reg::Status MemoryRegistry::QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* size) {
    auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    auto k = keys_.find(h->second);
    if (k == keys_.end()) return reg::ERROR_KEY_DELETED;
    auto v = k->second.find(Lower(name));
    if (v == k->second.end()) return reg::ERROR_FILE_NOT_FOUND;
    if (type) *type = v->second.type;
    const auto n = static_cast<std::uint32_t>(v->second.bytes.size());
    if (data) {
        if (*size < n) {
            *size = n;
            return reg::ERROR_MORE_DATA;
        }
        if (n) std::memcpy(data, v->second.bytes.data(), n);
    }
    *size = n;
    return reg::ERROR_SUCCESS;
}

reg::Status MemoryRegistry::SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t size) {
    auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    auto k = keys_.find(h->second);
    if (k == keys_.end()) return reg::ERROR_KEY_DELETED;
    k->second[Lower(name)] = Value{type, std::vector<std::uint8_t>(data, data + size)};
    return reg::ERROR_SUCCESS;
}

reg::Status MemoryRegistry::CloseKey(reg::KeyHandle key) {
    return handles_.erase(key) ? reg::ERROR_SUCCESS : reg::ERROR_INVALID_HANDLE;
}

void MemoryRegistry::PutText(reg::Hive hive, const std::string& path, const std::string& name,
                             const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    PutRaw(hive, path, name, Value{reg::REG_SZ, bytes});
}

void MemoryRegistry::PutRaw(reg::Hive hive, const std::string& path, const std::string& name, Value value) {
    keys_[Id(hive, path)][Lower(name)] = std::move(value);
}

bool MemoryRegistry::HasKey(reg::Hive hive, const std::string& path) const { return keys_.count(Id(hive, path)) != 0; }

void MemoryRegistry::DeleteKey(reg::Hive hive, const std::string& path) { keys_.erase(Id(hive, path)); }

std::string MemoryRegistry::TextOf(reg::Hive hive, const std::string& path, const std::string& name) const {
    auto k = keys_.find(Id(hive, path));
    if (k == keys_.end()) return "<missing>";
    auto v = k->second.find(Lower(name));
    if (v == k->second.end() || v->second.type != reg::REG_SZ) return "<missing>";
    std::string s(v->second.bytes.begin(), v->second.bytes.end());
    if (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
}
