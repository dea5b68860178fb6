// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform.h"
#include "windows/AdvapiRegistry.h"
#include "windows/WinPowerStatus.h"

std::unique_ptr<RegistryBackend> MakeSystemRegistry() { return std::make_unique<AdvapiRegistry>(); }

std::unique_ptr<PowerSource> MakeSystemPowerSource() { return std::make_unique<WinPowerStatus>(); }

// Under UAC an ordinary user may not write the machine's Run key, elevated or not.
RunEntryPlace SystemRunEntryPlace() { return RunEntryPlace::UserKey; }
