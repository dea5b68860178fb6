// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <ostream>

#include "RegistryDatum.h"

// Lets GoogleTest show a datum as empty, "text" or an integer in failure messages.
inline void PrintTo(const RegistryDatum& d, std::ostream* os) {
    if (d.IsText())
        *os << "Text(\"" << d.text() << "\")";
    else if (d.IsInteger())
        *os << "Integer(" << d.integer() << ")";
    else
        *os << "Empty";
}
