// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "Clock.h"

// A clock that moves only when the test says so.
class FakeClock : public Clock {
public:
    double wall = 12 * 3600.0, awake = 1000.0;  // seconds since midnight, seconds awake

    double SecondsSinceMidnight() override { return wall; }
    double AwakeSeconds() override { return awake; }
    void advanceMinutes(double m) { wall += 60 * m, awake += 60 * m; }
};
