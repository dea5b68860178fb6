// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowStacking.h"

#include <windows.h>

namespace stacking {
const bool Native = true;

// Qt's stay-on-top flag would re-create the window: it leaves the taskbar for a moment and
// comes back activated. SetWindowPos changes the stacking alone; SWP_NOACTIVATE keeps the
// focus where the user has it. The result is ignored: nothing can be done about a refusal.
void SetTopMost(WId window, bool on) {
    SetWindowPos(reinterpret_cast<HWND>(window), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

bool IsTopMost(WId window) {
    return (GetWindowLongPtrW(reinterpret_cast<HWND>(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}
}  // namespace stacking
