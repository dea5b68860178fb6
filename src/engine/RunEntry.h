// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

#include "modRegistry.h"

// "Start with Windows": the value "Voltara" of a Run key, the program's command line while
// on and the empty text while off (the value is never deleted). The tick shows what is
// stored, read back after every change, so a write the system refuses never shows as done.
enum class RunEntryPlace {
    // The machine-wide Run key, as the registry back end presents it (on Linux: the user's
    // own XDG autostart entry, which an ordinary user may write).
    MachineKey,
    // The user's own Run key, which needs no elevation, as Windows programs keep it; a
    // machine-wide value that an administrator or an older version wrote counts as on too.
    UserKey,
};

// Whether an entry that starts the program at log-on is stored.
bool RunEntryStored(modRegistry& registry, RunEntryPlace place);

// Switches the entry on (for the program file at programPath) or off, and tells whether an
// entry is stored afterwards. Off also empties a machine-wide value where that may be
// written; where it may not, the entry stays on.
bool StoreRunEntry(modRegistry& registry, RunEntryPlace place, const std::string& programPath, bool on);
