// SPDX-License-Identifier: GPL-3.0-or-later
#include "Desktop.h"

namespace desktop {

bool RunThroughXWayland(int, char**) { return false; }

bool TrayReportsDoubleClick() { return true; }

bool WindowPlacesKnown() { return true; }

void AnswerActivationToken() {}

}  // namespace desktop
