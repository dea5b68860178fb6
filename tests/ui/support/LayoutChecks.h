// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLabel>
#include <QPushButton>
#include <QScreen>

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

// The relations between a window's elements, named by their object names, that do not hold:
// "A above B" (A ends before B starts), "A left-of B" (on one line, A ends before B starts),
// "A over B" (on B's line and within it: a field in its label's sentence), "A in B", "A buddy B"
// (A's access key goes to B), "tab A B ...": Tab goes from each to the next and from the last
// back to A, "default A": A alone is the default button, "centred": the window is in the middle of its screen, "focus
// A": A has the focus.
inline QStringList Broken(const QWidget* window, const QStringList& relations) {
    const auto place = [window](const QWidget* w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    const auto oneLine = [](const QRect& a, const QRect& b) { return a.top() < b.bottom() && b.top() < a.bottom(); };
    QStringList broken;
    for (const QString& relation : relations) {
        QStringList words = relation.split(' ');
        const bool first = words.size() < 2 || QStringList{"tab", "default", "focus"}.contains(words[0]);
        const QString op = first ? words.takeFirst() : words.takeAt(1);
        QList<QWidget*> w;
        for (const QString& name : words) w << window->findChild<QWidget*>(name);
        if (w.contains(nullptr)) {
            broken << relation + " (missing)";
            continue;
        }
        bool holds = false;
        if (op == "tab") {
            QStringList order;
            QWidget* next = w[0];
            do {
                if (next->focusPolicy() & Qt::TabFocus) order << next->objectName();
                next = next->nextInFocusChain();
            } while (next != w[0] && order.size() <= words.size());
            holds = order == words;
        } else if (op == "centred") {
            const QPoint middle = window->pos() + QPoint(window->width() / 2, window->height() / 2);
            holds = (middle - window->screen()->availableGeometry().center()).manhattanLength() <= 2;
        } else if (op == "focus") {
            holds = window->focusWidget() == w[0];
        } else if (op == "default") {
            QStringList defaults;
            for (const auto* b : window->findChildren<QPushButton*>())
                if (b->isDefault()) defaults << b->objectName();
            holds = defaults == words;
        } else {
            const QRect a = place(w[0]), b = place(w[1]);
            if (op == "above") holds = a.bottom() < b.top();
            if (op == "left-of") holds = a.right() < b.left() && oneLine(a, b);
            if (op == "over") holds = a.left() > b.left() && a.right() < b.right() && oneLine(a, b);
            if (op == "in") holds = b.contains(a);
            if (op == "buddy") holds = qobject_cast<QLabel*>(w[0]) && qobject_cast<QLabel*>(w[0])->buddy() == w[1];
        }
        if (!holds) broken << relation;
    }
    return broken;
}
