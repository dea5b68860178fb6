#include "power/SysfsPowerReader_linux.h"
#include "settings/FileRegistry_linux.h"
#include "shell/Platform.h"

std::unique_ptr<RegistryBackend> MakeSystemRegistry() { return CreateFileRegistryFromEnvironment(); }

std::unique_ptr<PowerSource> MakeSystemPowerSource() { return std::make_unique<SysfsPowerReader>(); }
