// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>

class QWidget;

// The system colours the windows are drawn in. Qt's platform theme gives menus a palette
// of their own: on Windows its button colour is the menu colour and its window text the
// menu text. Where the theme names no menu colours, menus use the application's, and so
// do these.
QColor MenuColour();
QColor MenuTextColour();
// Fills the widget's background, and that of its children that fill theirs, with the
// menu colour.
void PaintInMenuColour(QWidget* widget);
