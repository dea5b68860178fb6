// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/SysfsPowerReader.h"
#include "linux/FileRegistry.h"
#include "Platform.h"

std::unique_ptr<RegistryBackend> MakeSystemRegistry() { return CreateFileRegistryFromEnvironment(); }

std::unique_ptr<PowerSource> MakeSystemPowerSource() { return std::make_unique<SysfsPowerReader>(); }
