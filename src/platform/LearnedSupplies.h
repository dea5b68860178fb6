// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A power source that learns once which supplies the system has, and afterwards only
// re-reads their values; told when supplies come and go.
class LearnedSupplies {
public:
    virtual ~LearnedSupplies() = default;
    // A supply was added or removed, or reports of it may have been lost: the next read
    // learns the supplies again.
    virtual void SuppliesChanged() = 0;
};
