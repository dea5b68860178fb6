// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowPlace.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace {
// A window manager that keeps putting the window elsewhere wins after this many tries.
constexpr int MostCorrections = 3;
constexpr int WatchIntervalMs = 50;
constexpr int WatchTicks = 40;

QMargins FrameOf(const QWidget* w) {
    const QRect outer = w->frameGeometry();
    const QRect inner = w->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}
}  // namespace

WindowPlace::WindowPlace(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
    watch_.setInterval(WatchIntervalMs);
    connect(&watch_, &QTimer::timeout, this, &WindowPlace::Check);
}

bool WindowPlace::FrameKnown() const {
    // A frameless window's place is known once it is on the screen: before, Qt reports the
    // place it asked for, and the window manager's framing may still leave it believing another.
    if (window_->windowFlags().testFlag(Qt::FramelessWindowHint))
        return window_->windowHandle() && window_->windowHandle()->isExposed();
    return !FrameOf(window_).isNull();
}

void WindowPlace::Place(QPoint frameTopLeft) {
    wanted_ = frameTopLeft;
    corrections_ = 0;
    window_->move(frameTopLeft);
}

QPoint WindowPlace::FramePosition() const {
    if (FrameKnown()) return window_->frameGeometry().topLeft();
    // Hidden, or shown again and not yet re-framed: the inside is where it was.
    return window_->geometry().topLeft() - QPoint(margins_.left(), margins_.top());
}

bool WindowPlace::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    const auto type = event->type();
    if (type == QEvent::Show) {
        // The window manager frames a window some time after it is shown, and the inside
        // need not move when it does: look again for a little while.
        watchTicks_ = WatchTicks;
        watch_.start();
    }
    if (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show) Check();
    return false;
}

void WindowPlace::Check() {
    if (watchTicks_ > 0 && --watchTicks_ == 0) watch_.stop();
    if (!window_->isVisible()) return;
    if (!window_->windowFlags().testFlag(Qt::FramelessWindowHint)) {
        const QMargins frame = FrameOf(window_);
        if (!frame.isNull() && frame != margins_) {
            margins_ = frame;
            if (frameChanged) frameChanged();
        }
    }
    if (wanted_ && FrameKnown()) {
        if (window_->frameGeometry().topLeft() == *wanted_ || ++corrections_ > MostCorrections)
            wanted_.reset();
        else
            window_->move(*wanted_);
    }
}
