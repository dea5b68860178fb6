#pragma once
#include <functional>
#include <memory>

#include "power/PowerSource.h"
#include "settings/RegistryBackend.h"

// The platform's own stand-ins, chosen at build time (one file per platform).
std::unique_ptr<RegistryBackend> MakeSystemRegistry();
std::unique_ptr<PowerSource> MakeSystemPowerSource();
