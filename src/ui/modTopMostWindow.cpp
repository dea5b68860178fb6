// SPDX-License-Identifier: GPL-3.0-or-later
#include "modTopMostWindow.h"

#include <QWidget>

#include "WindowStacking.h"

namespace modTopMostWindow {

void SetTopMost(QWidget* window, bool on) {
    if (!window) return;
    if (stacking::Native) {
        stacking::SetTopMost(window->winId(), on);
        return;
    }
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
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

bool IsTopMost(QWidget* window) {
    if (stacking::Native) return stacking::IsTopMost(window->winId());
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void SetForegroundWindow(QWidget* window) {
    if (!window || !window->isVisible()) return;
    window->raise();
    window->activateWindow();
}

}  // namespace modTopMostWindow
