// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowStacking.h"

// X11 window managers keep a window above others through its _NET_WM_STATE, which Qt sets
// from its stay-on-top flag; there is no stacking call of the program's own to make.
namespace stacking {
const bool Native = false;
void SetTopMost(WId, bool) {}
bool IsTopMost(WId) { return false; }
}  // namespace stacking
