// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>

// The program's icons by resource number; a null icon when the number names none
// (the caller then leaves its display as it was).
QIcon LoadIconResource(int number);
QIcon MainWindowIcon();
QIcon ControlCenterIcon();
QIcon ApplicationIcon();
