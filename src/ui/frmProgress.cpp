// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmProgress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QWindow>

#include "IconResources.h"
#include "ProgressBar.h"
#include "RegistryDatum.h"
#include "StatusComposition.h"
#include "SystemColours.h"
#include "Twips.h"
#include "WindowPlace.h"
#include "modRegistry.h"
#include "modTopMostWindow.h"

frmProgress::frmProgress(CompactHost& host, modRegistry& registry)
    : QWidget(nullptr), host_(host), registry_(registry), place_(new WindowPlace(this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A tool window has no taskbar button.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setWindowTitle(QString());
    setWindowIcon(ApplicationIcon());
    setAccessibleName(QStringLiteral("Voltara compact display"));
    setFixedSize(twips::ToPixelsX(3165, this), twips::ToPixelsY(300, this));
    setAutoFillBackground(true);

    imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setAccessibleName(QStringLiteral("Status icon"));
    imgIcon->setGeometry(twips::ToPixelsX(45, this), twips::ToPixelsY(30, this), 16, 16);
    imgIcon->setPixmap(ApplicationIcon().pixmap(16, 16));
    imgIcon->installEventFilter(this);

    picContainer = new QFrame(this);
    picContainer->setObjectName(QStringLiteral("picContainer"));
    picContainer->setAccessibleName(QStringLiteral("Charge"));
    picContainer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picContainer->setLineWidth(1);
    // The track is in the menu colour, the strip around it in the dialogs' colour.
    PaintInMenuColour(picContainer);
    picContainer->setGeometry(twips::ToPixelsX(345, this), twips::ToPixelsY(60, this), twips::ToPixelsX(2745, this),
                              twips::ToPixelsY(200, this));
    picContainer->installEventFilter(this);

    picProgress = new QFrame(picContainer);
    picProgress->setObjectName(QStringLiteral("picProgress"));
    picProgress->setAccessibleName(QStringLiteral("Charge bar"));
    PaintAsBar(picProgress);
    picProgress->installEventFilter(this);
    ShowBar(1500);

    Form_Load();
}

void frmProgress::Form_Load() {
    modRegistry& reg = registry_;
    // A stored position that is not a number counts as 0.
    place_->Place(QPoint(twips::ToPixelsX(AsPosition(reg.GetUserString(regkeys::Window, "CompactX")), this),
                         twips::ToPixelsY(AsPosition(reg.GetUserString(regkeys::Window, "CompactY")), this)));
    modTopMostWindow::SetTopMost(this, true);
    ShowBar(host_.BarWidthTwips());
    const auto tip = [this] {
        return QString::fromStdString(CompactTooltip(host_.DisplayText(0).toStdString(),
                                                     host_.DisplayText(1).toStdString(),
                                                     host_.DisplayText(2).toStdString()));
    };
    picProgress->setToolTip(tip());
    picContainer->setToolTip(tip());
    ShowIcon(LoadIconResource(host_.StatusIconTag().toInt()));
}

void frmProgress::ShowBar(float widthTwips) { SetBarWidth(picContainer, picProgress, widthTwips, 1); }

void frmProgress::ShowIcon(const QIcon& icon) {
    // A number that names no icon leaves the picture as it was.
    if (!icon.isNull()) imgIcon->setPixmap(icon.pixmap(16, 16));
}

void frmProgress::Form_Unload() {
    modRegistry& reg = registry_;
    reg.CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    show();
    QCoreApplication::processEvents();
    if (host_.PlacesKnown()) {
        const QPoint place = place_->FramePosition();
        reg.SaveUserString(regkeys::Window, "CompactX", static_cast<float>(twips::FromPixelsX(place.x(), this)));
        reg.SaveUserString(regkeys::Window, "CompactY", static_cast<float>(twips::FromPixelsY(place.y(), this)));
    }
    modTopMostWindow::SetTopMost(this, false);
    modTopMostWindow::SetForegroundWindow(host_.MainWindow());
}

void frmProgress::closeEvent(QCloseEvent* event) {
    event->accept();
    // Closed while the program ends: the strip keeps the place stored at the last switch.
    if (closing_ || host_.Ending()) return;
    closing_ = true;
    // Closed by the window manager rather than by a switch to Full: switch now, so the user
    // is never left without a window. Its close of this window finds the window closing.
    host_.LeaveCompact();
    Form_Unload();
    closing_ = false;
}

void frmProgress::contextMenuEvent(QContextMenuEvent* event) {
    // Without a notification area the strip is the only way to the menu.
    if (host_.TrayAvailable()) return QWidget::contextMenuEvent(event);
    host_.ShowPopupMenu();
}

void frmProgress::imgIcon_DblClick() { host_.UnloadMain(); }

bool frmProgress::Form_MouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton) return false;
    // The window manager moves the window with the pointer until the button is released.
    if (windowHandle() && windowHandle()->startSystemMove()) return true;
    manualDrag_ = true;
    grab_ = QCursor::pos() - pos();
    return true;
}

void frmProgress::mousePressEvent(QMouseEvent* event) {
    if (!Form_MouseDown(event->button())) QWidget::mousePressEvent(event);
}

void frmProgress::mouseMoveEvent(QMouseEvent* event) {
    if (manualDrag_)
        move(event->globalPosition().toPoint() - grab_);
    else
        QWidget::mouseMoveEvent(event);
}

void frmProgress::mouseReleaseEvent(QMouseEvent* event) {
    manualDrag_ = false;
    QWidget::mouseReleaseEvent(event);
}

bool frmProgress::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgIcon) {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            imgIcon_DblClick();
            return true;
        }
        // The icon does not drag: its press must not reach the window's own handler.
        return event->type() == QEvent::MouseButtonPress;
    }
    // The track and the bar drag like the window's own background.
    if (event->type() == QEvent::MouseButtonPress) return Form_MouseDown(static_cast<QMouseEvent*>(event)->button());
    if (event->type() == QEvent::MouseMove && manualDrag_) {
        move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - grab_);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) manualDrag_ = false;
    return false;
}
