// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>

// Tells whether another copy of the program runs for this user session. The first
// copy holds the guard for as long as it lives.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    virtual bool AnotherCopyRuns() = 0;
};

std::unique_ptr<SingleInstance> MakeSingleInstance();
