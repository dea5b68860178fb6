// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLabel>
#include <QPushButton>

// The texts of a window that do not fit their element or stick out of their container, by
// object name (or text). Push buttons centre their caption and are only checked for sticking out.
inline QStringList CutTexts(const QWidget* window) {
    QStringList cut;
    for (const QWidget* w : window->findChildren<const QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(w);
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        bool fits = w->parentWidget()->rect().contains(w->geometry());
        if (label && label->wordWrap())
            fits = fits && label->heightForWidth(label->width()) <= label->height();
        else if (!qobject_cast<const QPushButton*>(w))
            fits = fits && w->sizeHint().width() <= w->width() && w->sizeHint().height() <= w->height();
        if ((label || button) && !fits)
            cut << (w->objectName().isEmpty() ? label ? label->text() : button->text() : w->objectName());
    }
    return cut;
}
