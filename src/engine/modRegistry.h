// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "RegistryBackend.h"
#include "RegistryDatum.h"

// A value handed to a write: a text, a whole or fractional number, or a flag.
class RegistryValue {
public:
    RegistryValue(std::string text) : value_(std::move(text)) {}
    RegistryValue(const char* text) : value_(std::string(text)) {}
    RegistryValue(int number) : value_(static_cast<double>(number)) {}
    RegistryValue(long number) : value_(static_cast<double>(number)) {}
    RegistryValue(float number) : value_(static_cast<double>(number)) {}
    RegistryValue(double number) : value_(number) {}
    RegistryValue(bool flag) : value_(flag) {}

    // The stored text form: a text as it is; a number with no fraction as plain
    // digits ("10", "-3"); another number with the given decimal separator;
    // a flag as "True" or "False".
    std::string TextForm(char decimalSeparator) const;
    // The 32-bit integer a REG_DWORD write stores (numbers rounded half to even).
    std::int32_t DwordForm() const;

private:
    std::variant<std::string, double, bool> value_;
};

// The seven registry operations. Stateless apart from the back end they run on and
// the user's decimal separator; every operation opens, uses and closes its own key.
class modRegistry {
public:
    explicit modRegistry(RegistryBackend& backend, char decimalSeparator = '.')
        : backend_(backend), decimalSeparator_(decimalSeparator) {}

    reg::Status SetRegistryValue(reg::KeyHandle key, const std::string& name, std::int32_t type,
                                 const RegistryValue& value);
    reg::Status QueryRegistryValue(reg::KeyHandle key, const std::string& name, RegistryDatum& value);
    void CreateRegistryKey(const std::string& path, reg::Hive hive);
    void SaveUserString(const std::string& path, const std::string& name, const RegistryValue& value,
                        std::int32_t type = reg::REG_SZ);
    RegistryDatum GetUserString(const std::string& path, const std::string& name);
    void SaveMachineString(const std::string& path, const std::string& name, const RegistryValue& value,
                           std::int32_t type = reg::REG_SZ);
    RegistryDatum GetMachineString(const std::string& path, const std::string& name);

    char DecimalSeparator() const { return decimalSeparator_; }

private:
    RegistryBackend& backend_;
    char decimalSeparator_;
};

// The separator the program writes fractions with, from the locale's own (its text in
// UTF-8): the user's where the readers take it ('.' or ','), else '.'. A separator they do
// not take, such as Persian U+066B, would make every stored fraction read as missing.
char StoredDecimalSeparator(std::string_view localeSeparator);

// The program's keys.
namespace regkeys {
inline constexpr const char* Window = "Software\\Quillfen\\Voltara\\Window";
inline constexpr const char* ControlCenter = "Software\\Quillfen\\Voltara\\Control Center";
inline constexpr const char* TimeCalc = "Software\\Quillfen\\Voltara\\Time Calc";
inline constexpr const char* Setting = "Software\\Quillfen\\Voltara\\Setting";
inline constexpr const char* Run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
}  // namespace regkeys
