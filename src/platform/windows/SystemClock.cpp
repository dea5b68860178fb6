// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemClock.h"

#include <windows.h>

#include <chrono>
#include <ctime>

double SystemClock::SecondsSinceMidnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto whole = floor<seconds>(now);
    const std::time_t t = system_clock::to_time_t(whole);
    std::tm local{};
    localtime_s(&local, &t);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + duration<double>(now - whole).count();
}

double SystemClock::AwakeSeconds() {
    // The performance counter (steady_clock) keeps counting through sleep and hibernation;
    // the unbiased interrupt time leaves them out. It counts in units of 100 ns.
    ULONGLONG units = 0;
    QueryUnbiasedInterruptTime(&units);
    return static_cast<double>(units) / 1e7;
}
