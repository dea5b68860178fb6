// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QFrame;

// Sets the visible width of a charge bar inside its track. The bar starts 30 twips left
// of the track's inner edge, under its border, so only the part past that shows; the
// track clips what runs past its end.
// factor is the stretch of the window's twips layout (TwipsLayout::Factor()), which the
// track has too, so the bar keeps its proportion.
void SetBarWidth(QFrame* container, QFrame* bar, float widthTwips, double factor);
// Gives a frame the colour of a charge bar (the active title bar's colour).
void PaintAsBar(QFrame* bar);
