// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "Clock.h"

// The real clocks of the platform.
class SystemClock final : public Clock {
public:
    double SecondsSinceMidnight() override;
    double AwakeSeconds() override;
};
