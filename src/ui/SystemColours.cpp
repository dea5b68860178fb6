// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemColours.h"

#include <QApplication>
#include <QWidget>

namespace {
QPalette MenuPalette() { return QApplication::palette("QMenu"); }
}  // namespace

QColor MenuColour() { return MenuPalette().color(QPalette::Active, QPalette::Button); }

QColor MenuTextColour() { return MenuPalette().color(QPalette::Active, QPalette::WindowText); }

void PaintInMenuColour(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, MenuColour());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
