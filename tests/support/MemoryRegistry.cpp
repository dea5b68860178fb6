// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/MemoryRegistry.h"

#include <algorithm>

reg::Status MemoryRegistry::CreateKeyEx(reg::Hive hive, const std::string& path, std::uint32_t access,
                                        reg::KeyHandle* out) {
    Doc(hive).CreateKey(path);
    return OpenKeyEx(hive, path, access, out);
}

reg::Status MemoryRegistry::OpenKeyEx(reg::Hive hive, const std::string& path, std::uint32_t, reg::KeyHandle* out) {
    if (!Doc(hive).HasKey(path)) return reg::ERROR_FILE_NOT_FOUND;
    handles_[*out = next_++] = {hive, path};
    return reg::ERROR_SUCCESS;
}

reg::Status MemoryRegistry::QueryValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t* type,
                                         std::uint8_t* data, std::uint32_t* size) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    const Value* v = Doc(h->second.first).FindValue(h->second.second, name);
    if (!v) return reg::ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    const bool fits = !data || *size >= v->bytes.size();
    if (data && fits) std::copy(v->bytes.begin(), v->bytes.end(), data);
    *size = static_cast<std::uint32_t>(v->bytes.size());
    return fits ? reg::ERROR_SUCCESS : reg::ERROR_MORE_DATA;
}

reg::Status MemoryRegistry::SetValueEx(reg::KeyHandle key, const std::string& name, std::uint32_t type,
                                       const std::uint8_t* data, std::uint32_t size) {
    const auto h = handles_.find(key);
    if (h == handles_.end()) return reg::ERROR_INVALID_HANDLE;
    const bool set = Doc(h->second.first).SetValue(h->second.second, name, Value{type, {data, data + size}});
    return set ? reg::ERROR_SUCCESS : reg::ERROR_KEY_DELETED;
}

std::string MemoryRegistry::TextOf(reg::Hive hive, const std::string& path, const std::string& name) const {
    const Value* v = Doc(hive).FindValue(path, name);
    if (!v || v->type != reg::REG_SZ) return "<missing>";
    return std::string(v->bytes.begin(), std::find(v->bytes.begin(), v->bytes.end(), '\0'));
}
