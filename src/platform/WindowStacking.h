// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWindow>

// A window's place in the stacking order, where the window system lets a program change it
// alone (Windows: SetWindowPos, the window neither hidden nor activated). Elsewhere Native
// is false and the caller uses Qt's stay-on-top flag. One file per platform.
namespace stacking {
extern const bool Native;
// Puts the native window above all others that are not, or back among them.
void SetTopMost(WId window, bool on);
bool IsTopMost(WId window);
}  // namespace stacking
