// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The two clocks the refresh and the estimator need, injected so tests need not wait.
class Clock {
public:
    virtual ~Clock() = default;
    // Local wall-clock time of day, in seconds since local midnight, with fraction.
    virtual double SecondsSinceMidnight() = 0;
    // A monotonic count of seconds that stands still while the machine is suspended,
    // so an interval measured with it is the time the machine was awake.
    virtual double AwakeSeconds() = 0;
};
