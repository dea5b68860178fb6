#include "shell/Twips.h"

#include <QWidget>
#include <cmath>

namespace twips {
double PerPixelX(const QWidget* w) { return 1440.0 / (w && w->logicalDpiX() > 0 ? w->logicalDpiX() : 96); }
double PerPixelY(const QWidget* w) { return 1440.0 / (w && w->logicalDpiY() > 0 ? w->logicalDpiY() : 96); }
int ToPixelsX(double t, const QWidget* w) { return static_cast<int>(std::lround(t / PerPixelX(w))); }
int ToPixelsY(double t, const QWidget* w) { return static_cast<int>(std::lround(t / PerPixelY(w))); }
double FromPixelsX(int px, const QWidget* w) { return px * PerPixelX(w); }
double FromPixelsY(int px, const QWidget* w) { return px * PerPixelY(w); }
}  // namespace twips
