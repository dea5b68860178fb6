// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform.h"
#include "linux/FileRegistry.h"
#include "linux/SysfsPowerReader.h"

std::unique_ptr<RegistryBackend> MakeSystemRegistry() { return CreateFileRegistryFromEnvironment(); }

std::unique_ptr<PowerSource> MakeSystemPowerSource() { return std::make_unique<SysfsPowerReader>(); }

// The file registry keeps the machine key's entry as the user's own XDG autostart entry.
RunEntryPlace SystemRunEntryPlace() { return RunEntryPlace::MachineKey; }
