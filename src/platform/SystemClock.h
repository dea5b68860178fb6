#pragma once
#include "Clock.h"

// The real clocks of the platform.
class SystemClock final : public Clock {
public:
    double SecondsSinceMidnight() override;
    double AwakeSeconds() override;
};
