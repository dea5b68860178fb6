// SPDX-License-Identifier: GPL-3.0-or-later
#include "modRegistry.h"
#include "Log.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace {
std::string Shortest(double number, char decimalSeparator) {
    char buffer[64];
    // A float widened to double would print as 0.100000001490116; print such a number
    // as the float it came from, as the program reads positions back as floats.
    const auto narrow = static_cast<float>(number);
    const auto [end, ec] = static_cast<double>(narrow) == number
                               ? std::to_chars(buffer, buffer + sizeof buffer, narrow)
                               : std::to_chars(buffer, buffer + sizeof buffer, number);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    for (char& c : text)
        if (c == '.') c = decimalSeparator;
    return text;
}

std::string WholeDigits(double number) {
    if (number == 0) return "0";  // also -0: no sign
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed, 0);
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

std::int32_t ToDword(double number) {
    if (std::isnan(number)) return 0;
    const double rounded = RoundHalfEven(number);
    if (rounded <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    if (rounded >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}
}  // namespace

char StoredDecimalSeparator(std::string_view localeSeparator) { return localeSeparator == "," ? ',' : '.'; }

std::string RegistryValue::TextForm(char decimalSeparator) const {
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    if (const auto* flag = std::get_if<bool>(&value_)) return *flag ? "True" : "False";
    const double number = std::get<double>(value_);
    if (std::isfinite(number) && number == std::trunc(number)) return WholeDigits(number);
    return Shortest(number, decimalSeparator);
}

std::int32_t RegistryValue::DwordForm() const {
    if (const auto* flag = std::get_if<bool>(&value_)) return *flag ? -1 : 0;
    if (const auto* text = std::get_if<std::string>(&value_)) {
        const auto number = ParseStoredNumber(*text);
        return number ? ToDword(*number) : 0;
    }
    return ToDword(std::get<double>(value_));
}

reg::Status modRegistry::SetRegistryValue(reg::KeyHandle key, const std::string& name, std::int32_t type,
                                          const RegistryValue& value) {
    if (type == static_cast<std::int32_t>(reg::REG_SZ)) {
        std::string text = value.TextForm(decimalSeparator_);
        text.push_back('\0');
        return backend_.SetValueEx(key, name, reg::REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                                   static_cast<std::uint32_t>(text.size()));
    }
    if (type == static_cast<std::int32_t>(reg::REG_DWORD)) {
        const auto dword = static_cast<std::uint32_t>(value.DwordForm());
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(dword), static_cast<std::uint8_t>(dword >> 8),
                                       static_cast<std::uint8_t>(dword >> 16), static_cast<std::uint8_t>(dword >> 24)};
        return backend_.SetValueEx(key, name, reg::REG_DWORD, bytes, 4);
    }
    return reg::ERROR_SUCCESS;
}

reg::Status modRegistry::QueryRegistryValue(reg::KeyHandle key, const std::string& name, RegistryDatum& value) {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    reg::Status status = backend_.QueryValueEx(key, name, &type, nullptr, &size);
    if (status != reg::ERROR_SUCCESS) return status;

    if (type == reg::REG_SZ) {
        // Another program may store an empty REG_SZ, without even the NUL.
        if (size == 0) return reg::ERROR_SUCCESS;
        std::vector<std::uint8_t> buffer(size, 0);
        status = backend_.QueryValueEx(key, name, &type, buffer.data(), &size);
        // The value may need more bytes than the probe said (the ANSI call converts it to the
        // code page, and another program may write meanwhile): ask again with the size given.
        for (int retry = 0; status == reg::ERROR_MORE_DATA && retry < 3 && size > buffer.size(); ++retry) {
            buffer.assign(size, 0);
            status = backend_.QueryValueEx(key, name, &type, buffer.data(), &size);
        }
        if (status != reg::ERROR_SUCCESS) {
            value = RegistryDatum();
            return status;
        }
        // Drop the terminating NUL; a text stored without one keeps its last character.
        std::size_t length = std::min<std::size_t>(size, buffer.size());
        if (length > 0 && buffer[length - 1] == 0) --length;
        value = RegistryDatum::Text(std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length)));
        return status;
    }
    if (type == reg::REG_DWORD) {
        // Never ask for more than the 4 bytes there is room for, whatever size the probe reported.
        std::uint8_t bytes[4] = {0, 0, 0, 0};
        std::uint32_t dwordSize = std::min<std::uint32_t>(size, 4);
        status = backend_.QueryValueEx(key, name, &type, bytes, &dwordSize);
        if (status == reg::ERROR_SUCCESS) {
            const std::uint32_t dword =
                bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
            value = RegistryDatum::Integer(static_cast<std::int32_t>(dword));
        }
        return status;
    }
    return -1;
}

namespace {
std::string Where(reg::Hive hive, const std::string& path) {
    return (hive == reg::Hive::CurrentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\") + path;
}
}  // namespace

void modRegistry::CreateRegistryKey(const std::string& path, reg::Hive hive) {
    reg::KeyHandle key = 0;
    const reg::Status status = backend_.CreateKeyEx(hive, path, reg::KEY_ACCESS_0x3F, &key);
    if (status != reg::ERROR_SUCCESS)
        vlog::Warning(vlog::Area::Settings,
                      "Could not create " + Where(hive, path) + ": error " + std::to_string(status));
    backend_.CloseKey(key);
}

namespace {
void Save(RegistryBackend& backend, modRegistry& registry, reg::Hive hive, const std::string& path,
          const std::string& name, const RegistryValue& value, std::int32_t type) {
    reg::KeyHandle key = 0;
    const reg::Status opened = backend.OpenKeyEx(hive, path, reg::KEY_ACCESS_0x3F, &key);
    const reg::Status written = registry.SetRegistryValue(key, name, type, value);
    // Not told to the user, and not retried: the setting still holds until the program ends.
    if (written != reg::ERROR_SUCCESS)
        vlog::Warning(vlog::Area::Settings, "Could not store \"" + name + "\" in " + Where(hive, path) + ": error " +
                                                std::to_string(opened != reg::ERROR_SUCCESS ? opened : written));
    backend.CloseKey(key);
}

RegistryDatum Get(RegistryBackend& backend, modRegistry& registry, reg::Hive hive, const std::string& path,
                  const std::string& name) {
    reg::KeyHandle key = 0;
    // Only the access a read needs: Windows refuses an ordinary user more on the machine's keys.
    backend.OpenKeyEx(hive, path, reg::KEY_QUERY_VALUE, &key);
    RegistryDatum datum;
    registry.QueryRegistryValue(key, name, datum);
    backend.CloseKey(key);
    return datum;
}
}  // namespace

void modRegistry::SaveUserString(const std::string& path, const std::string& name, const RegistryValue& value,
                                 std::int32_t type) {
    Save(backend_, *this, reg::Hive::CurrentUser, path, name, value, type);
}

RegistryDatum modRegistry::GetUserString(const std::string& path, const std::string& name) {
    return Get(backend_, *this, reg::Hive::CurrentUser, path, name);
}

void modRegistry::SaveMachineString(const std::string& path, const std::string& name, const RegistryValue& value,
                                    std::int32_t type) {
    Save(backend_, *this, reg::Hive::LocalMachine, path, name, value, type);
}

RegistryDatum modRegistry::GetMachineString(const std::string& path, const std::string& name) {
    return Get(backend_, *this, reg::Hive::LocalMachine, path, name);
}
