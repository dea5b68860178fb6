// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLabel>
#include <QPushButton>

// The names of a window's labels and buttons whose text does not fit them or that stick out of
// their container. Push buttons centre their caption and are only checked for sticking out.
inline QStringList CutTexts(const QWidget* window) {
    QStringList cut;
    for (const QWidget* w : window->findChildren<const QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(w);
        QSize need = qobject_cast<const QPushButton*>(w) ? QSize() : w->sizeHint();
        if (label && label->wordWrap()) need = QSize(0, label->heightForWidth(w->width()));
        const bool sticksOut = !w->parentWidget()->rect().contains(w->geometry());
        if ((label || w->inherits("QAbstractButton")) && (sticksOut || w->size().expandedTo(need) != w->size()))
            cut << w->objectName();
    }
    return cut;
}
