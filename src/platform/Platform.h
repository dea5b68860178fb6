// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <memory>

#include "PowerSource.h"
#include "RegistryBackend.h"
#include "RunEntry.h"

// The platform's own stand-ins, chosen at build time (one file per platform).
std::unique_ptr<RegistryBackend> MakeSystemRegistry();
std::unique_ptr<PowerSource> MakeSystemPowerSource();
// Where "Start with Windows" keeps its entry.
RunEntryPlace SystemRunEntryPlace();
