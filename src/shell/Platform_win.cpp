#include "power/WinPowerStatus_win.h"
#include "settings/AdvapiRegistry_win.h"
#include "shell/Platform.h"

std::unique_ptr<RegistryBackend> MakeSystemRegistry() { return std::make_unique<AdvapiRegistry>(); }

std::unique_ptr<PowerSource> MakeSystemPowerSource() { return std::make_unique<WinPowerStatus>(); }
