// SPDX-License-Identifier: GPL-3.0-or-later
#include "TwipsLayout.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>

#include "Twips.h"

namespace {
constexpr double FactorStep = 0.05;
constexpr double LargestFactor = 4;

bool IsText(const QWidget* w) { return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w); }
}  // namespace

void TwipsLayout::Add(QWidget* element, double left, double top, double width, double height, bool fit) {
    items_.push_back({element, left, top, width, height, fit && IsText(element)});
}

int TwipsLayout::X(double twips) const { return twips::ToPixelsX(twips * factor_, window_); }

int TwipsLayout::Y(double twips) const { return twips::ToPixelsY(twips * factor_, window_); }

bool TwipsLayout::Fits(const Item& item) const {
    const auto* label = qobject_cast<const QLabel*>(item.element);
    if (label && label->wordWrap()) return label->heightForWidth(X(item.width)) <= Y(item.height);
    const QSize hint = item.element->sizeHint();
    return hint.width() <= X(item.width) && hint.height() <= Y(item.height);
}

void TwipsLayout::Apply(double clientWidth, double clientHeight) {
    factor_ = 1;
    for (const Item& item : items_) {
        if (!item.fit) continue;
        while (!Fits(item) && factor_ < LargestFactor) factor_ += FactorStep;
    }
    window_->setFixedSize(X(clientWidth), Y(clientHeight));
    for (const Item& item : items_) item.element->setGeometry(X(item.left), Y(item.top), X(item.width), Y(item.height));
}

void PutOverBlanks(QLineEdit* field, const QLabel* label) {
    const QString caption = QString(label->text()).remove(QLatin1Char('&'));
    const QRegularExpressionMatch blanks = QRegularExpression(QStringLiteral("  +")).match(caption);
    if (!blanks.hasMatch()) return;
    const QFontMetrics metrics = label->fontMetrics();
    const int start = metrics.horizontalAdvance(caption.left(blanks.capturedStart()));
    const int room = metrics.horizontalAdvance(blanks.captured());
    field->move(label->x() + start + (room - field->width()) / 2, field->y());
}

void CenterOnScreen(QWidget* window) {
    const QWidget* owner = window->parentWidget();
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}
