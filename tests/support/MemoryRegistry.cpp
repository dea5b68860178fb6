// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MemoryRegistry.h"

#include <cstring>

reg::Status MemoryRegistry::CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                        reg::KeyHandle* out) {
    if (hive == reg::Hive::LocalMachine && denyLocalMachine) return reg::ERROR_ACCESS_DENIED;
    if (!Doc(hive).CreateKey(path)) return reg::ERROR_INVALID_PARAMETER;
    return OpenKeyEx(hive, path, access, out);
}

reg::Status MemoryRegistry::OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t, reg::KeyHandle* out) {
    if (hive == reg::Hive::LocalMachine && denyLocalMachine) return reg::ERROR_ACCESS_DENIED;
    if (!Doc(hive).HasKey(path)) return reg::ERROR_FILE_NOT_FOUND;
    handles_[*out = next_++] = {hive, path};
    return reg::ERROR_SUCCESS;
}

reg::Status MemoryRegistry::QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* size) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    if (!Doc(h->second.first).HasKey(h->second.second)) return reg::ERROR_KEY_DELETED;
    const Value* v = Doc(h->second.first).FindValue(h->second.second, name);
    if (!v) return reg::ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    const auto n = static_cast<std::uint32_t>(v->bytes.size());
    const bool fits = !data || *size >= n;
    if (data && fits && n) std::memcpy(data, v->bytes.data(), n);
    *size = n;
    return fits ? reg::ERROR_SUCCESS : reg::ERROR_MORE_DATA;
}

reg::Status MemoryRegistry::SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t size) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    if (!Doc(h->second.first).HasKey(h->second.second)) return reg::ERROR_KEY_DELETED;
    Doc(h->second.first).SetValue(h->second.second, name, Value{type, {data, data + size}});
    return reg::ERROR_SUCCESS;
}

reg::Status MemoryRegistry::CloseKey(reg::KeyHandle key) {
    return handles_.erase(key) ? reg::ERROR_SUCCESS : reg::ERROR_INVALID_HANDLE;
}

void MemoryRegistry::PutText(reg::Hive hive, const std::string& path, const std::string& name,
                             const std::string& text) {
    PutRaw(hive, path, name, Value{reg::REG_SZ, {text.c_str(), text.c_str() + text.size() + 1}});
}

void MemoryRegistry::PutRaw(reg::Hive hive, const std::string& path, const std::string& name, Value value) {
    Doc(hive).CreateKey(path);
    Doc(hive).SetValue(path, name, std::move(value));
}

std::string MemoryRegistry::TextOf(reg::Hive hive, const std::string& path, const std::string& name) const {
    const Value* v = Doc(hive).FindValue(path, name);
    if (!v || v->type != reg::REG_SZ) return "<missing>";
    std::string s(v->bytes.begin(), v->bytes.end());
    if (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
}
