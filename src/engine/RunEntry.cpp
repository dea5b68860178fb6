// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunEntry.h"

namespace {
constexpr const char* EntryName = "Voltara";

bool On(const RegistryDatum& value) { return !EqualsEmptyText(value); }

// The command stored for the program file at path: the path itself for the machine key's
// back end (which quotes it as its format asks), quoted in the user's Windows Run key, so
// that Windows never runs a prefix of a path with blanks (C:\My.exe for C:\My Tools\...).
std::string Command(RunEntryPlace place, const std::string& programPath) {
    return place == RunEntryPlace::MachineKey ? programPath : '"' + programPath + '"';
}
}  // namespace

bool RunEntryStored(modRegistry& registry, RunEntryPlace place) {
    if (place == RunEntryPlace::UserKey && On(registry.GetUserString(regkeys::Run, EntryName))) return true;
    return On(registry.GetMachineString(regkeys::Run, EntryName));
}

bool StoreRunEntry(modRegistry& registry, RunEntryPlace place, const std::string& programPath, bool on) {
    const std::string value = on ? Command(place, programPath) : std::string();
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
