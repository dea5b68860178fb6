#pragma once
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "shell/Twips.h"

// Places an element by its twips inside its container.
inline void PlaceTwips(QWidget* w, double left, double top, double width, double height) {
    w->setGeometry(twips::ToPixelsX(left, w), twips::ToPixelsY(top, w), twips::ToPixelsX(width, w),
                   twips::ToPixelsY(height, w));
}

// Puts a window of fixed size in the middle of the screen its owner is on. Moving it
// before it is shown also keeps Qt from centring it over the owner instead.
inline void CenterOnScreen(QWidget* window) {
    const QWidget* owner = window->parentWidget();
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}
