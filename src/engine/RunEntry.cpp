// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunEntry.h"

namespace {
constexpr const char* EntryName = "Voltara";

bool On(const RegistryDatum& value) { return !EqualsEmptyText(value); }
}  // namespace

std::string RunEntryCommand(RunEntryPlace place, const std::string& programPath) {
    if (place == RunEntryPlace::MachineKey) return programPath;
    return '"' + programPath + '"';
}

bool RunEntryStored(modRegistry& registry, RunEntryPlace place) {
    if (place == RunEntryPlace::UserKey && On(registry.GetUserString(regkeys::Run, EntryName))) return true;
    return On(registry.GetMachineString(regkeys::Run, EntryName));
}

bool StoreRunEntry(modRegistry& registry, RunEntryPlace place, const std::string& programPath, bool on) {
    const std::string value = on ? RunEntryCommand(place, programPath) : std::string();
    if (place == RunEntryPlace::MachineKey) {
        registry.SaveMachineString(regkeys::Run, EntryName, value);
    } else {
        registry.CreateRegistryKey(regkeys::Run, reg::Hive::CurrentUser);
        registry.SaveUserString(regkeys::Run, EntryName, value);
        if (!on && On(registry.GetMachineString(regkeys::Run, EntryName)))
            registry.SaveMachineString(regkeys::Run, EntryName, value);
    }
    return RunEntryStored(registry, place);
}
