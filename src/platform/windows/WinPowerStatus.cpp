// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/WinPowerStatus.h"

#include <windows.h>

bool WinPowerStatus::SystemQuery(Raw* out) {
    SYSTEM_POWER_STATUS status{};
    if (!GetSystemPowerStatus(&status)) return false;
    out->acLineStatus = status.ACLineStatus;
    out->batteryFlag = status.BatteryFlag;
    out->batteryLifePercent = status.BatteryLifePercent;
    out->batteryLifeTime = status.BatteryLifeTime;
    return true;
}

WinPowerStatus::Raw WinPowerStatus::Read() const {
    Raw raw;
    // Whatever a failed call left behind is not to be read.
    if (!query_(&raw)) throw PowerReadError("GetSystemPowerStatus failed");
    return raw;
}

std::int16_t WinPowerStatus::ACStatus() { return Read().acLineStatus; }

std::int16_t WinPowerStatus::BatteryStatus() { return Read().batteryFlag; }

std::int16_t WinPowerStatus::BatteryLifePercent() { return Read().batteryLifePercent; }

// Seconds, with 0xFFFFFFFF for "unknown". Anything past the signed range is no real
// running time either, and must not turn into a negative one.
std::int32_t WinPowerStatus::BatteryLifeTime() {
    const std::uint32_t seconds = Read().batteryLifeTime;
    return seconds > 0x7FFFFFFFu ? -1 : static_cast<std::int32_t>(seconds);
}
