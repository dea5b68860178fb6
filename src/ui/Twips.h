// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Positions and sizes are kept in twips (1/1440 inch) and converted with the screen's
// logical dots per inch: 15 twips to a pixel at 96 dpi.
namespace twips {
double PerPixelX(const QWidget* w);
double PerPixelY(const QWidget* w);
int ToPixelsX(double t, const QWidget* w);
int ToPixelsY(double t, const QWidget* w);
double FromPixelsX(int px, const QWidget* w);
double FromPixelsY(int px, const QWidget* w);
}  // namespace twips
