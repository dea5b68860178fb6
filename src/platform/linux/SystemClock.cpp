// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemClock.h"

#include <time.h>

#include <chrono>
#include <ctime>

double SystemClock::SecondsSinceMidnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto whole = floor<seconds>(now);
    const std::time_t t = system_clock::to_time_t(whole);
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + duration<double>(now - whole).count();
}

double SystemClock::AwakeSeconds() {
    // CLOCK_MONOTONIC stands still while the machine is suspended (CLOCK_BOOTTIME would not).
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
