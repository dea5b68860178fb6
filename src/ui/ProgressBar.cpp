// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProgressBar.h"

#include <QFrame>
#include <algorithm>

#include "Twips.h"

void SetBarWidth(QFrame* container, QFrame* bar, float widthTwips, double factor) {
    const QRect inner = container->contentsRect();
    const int offset = twips::ToPixelsX(30 * factor, container);
    const int width = std::clamp(twips::ToPixelsX(widthTwips * factor, container) - offset, 0, inner.width());
    bar->setGeometry(inner.x(), inner.y(), width, inner.height());
    bar->setVisible(width > 0);
}

void PaintAsBar(QFrame* bar) {
    bar->setAutoFillBackground(true);
    QPalette p = bar->palette();
    p.setColor(QPalette::Window, p.color(QPalette::Active, QPalette::Highlight));
    bar->setPalette(p);
}
