// SPDX-License-Identifier: GPL-3.0-or-later
#include "Twips.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace twips {
double PerPixelX(const QWidget* w) { return 1440.0 / (w && w->logicalDpiX() > 0 ? w->logicalDpiX() : 96); }
double PerPixelY(const QWidget* w) { return 1440.0 / (w && w->logicalDpiY() > 0 ? w->logicalDpiY() : 96); }
namespace {
// A stored place far outside any screen is still used as given, but never past what a
// window position can hold, so it cannot wrap round to the other side.
int Clamped(double px) {
    constexpr double limit = 16777215;
    if (!(px == px)) return 0;  // NaN
    return static_cast<int>(std::lround(std::clamp(px, -limit, limit)));
}
}  // namespace

int ToPixelsX(double t, const QWidget* w) { return Clamped(t / PerPixelX(w)); }
int ToPixelsY(double t, const QWidget* w) { return Clamped(t / PerPixelY(w)); }
double FromPixelsX(int px, const QWidget* w) { return px * PerPixelX(w); }
double FromPixelsY(int px, const QWidget* w) { return px * PerPixelY(w); }
}  // namespace twips
