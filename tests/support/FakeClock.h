// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "Clock.h"

// A clock that moves only when the test says so. Suspending advances the wall clock
// but not the awake clock, as a real suspend does.
class FakeClock : public Clock {
public:
    double wall = 12 * 3600.0;  // seconds since midnight
    double awake = 1000.0;

    double SecondsSinceMidnight() override { return wall; }
    double AwakeSeconds() override { return awake; }

    void advanceSeconds(double s) {
        wall += s;
        awake += s;
    }
    void advanceMinutes(double m) { advanceSeconds(60.0 * m); }
    void suspendFor(double s) { wall += s; }
};
