#include "power/Clock.h"

#include <chrono>
#include <ctime>

double SystemClock::SecondsSinceMidnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto whole = floor<seconds>(now);
    const std::time_t t = system_clock::to_time_t(whole);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + duration<double>(now - whole).count();
}

double SystemClock::AwakeSeconds() {
    // On Linux steady_clock is CLOCK_MONOTONIC, which stands still while suspended.
    // On Windows it is the performance counter, which keeps counting through sleep;
    // QueryUnbiasedInterruptTime is the awake clock there.
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
