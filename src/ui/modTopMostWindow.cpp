// SPDX-License-Identifier: GPL-3.0-or-later
#include "modTopMostWindow.h"

#include <QWidget>

namespace modTopMostWindow {

void SetTopMost(QWidget* window, bool on) {
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    // Changing window flags re-creates the native window and hides it; put back what
    // the user saw, at the same place.
    const bool visible = window->isVisible();
    const QPoint pos = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        window->move(pos);
        window->show();
    }
}

void SetForegroundWindow(QWidget* window) {
    if (!window || !window->isVisible()) return;
    window->raise();
    window->activateWindow();
}

}  // namespace modTopMostWindow
