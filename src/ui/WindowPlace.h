// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QTimer>
#include <functional>
#include <optional>

class QWidget;

// Where a top-level window's outer frame stands. Qt places a window's inside until the
// window manager has framed it, so a place given before that lands off by the frame;
// this puts the frame where it was asked once the frame is known, and reads the frame's
// place back with the last known frame even while the window is being re-framed.
class WindowPlace : public QObject {
public:
    explicit WindowPlace(QWidget* window);

    // Moves the window's frame to the point now, and again once the frame is known.
    void Place(QPoint frameTopLeft);
    QPoint FramePosition() const;
    // Called whenever the window manager's frame around the window changes size.
    std::function<void()> frameChanged;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FrameKnown() const;
    void Check();

    QWidget* window_;
    std::optional<QPoint> wanted_;
    int corrections_ = 0;
    QMargins margins_;
    QTimer watch_;
    int watchTicks_ = 0;
};
