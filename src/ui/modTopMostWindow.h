// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace modTopMostWindow {
// Keeps the window above all others, or lets it go back among them. Only the stacking
// changes: a hidden window stays hidden, a shown one stays where it is.
void SetTopMost(QWidget* window, bool on);
// Whether the window is kept above the others.
bool IsTopMost(QWidget* window);
// Brings the window to the front and gives it the focus, if it is shown.
void SetForegroundWindow(QWidget* window);
}  // namespace modTopMostWindow
