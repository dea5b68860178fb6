// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QPoint>
#include <QWidget>

class QFrame;
class QLabel;
class modRegistry;
class WindowPlace;

// What the strip reads from the main window, and what it asks of it.
class CompactHost {
public:
    virtual QWidget* MainWindow() = 0;
    // The width of the main window's bar in twips, as the last refresh left it.
    virtual float BarWidthTwips() const = 0;
    // The three value labels: status, time and AC texts.
    virtual QString DisplayText(int index) const = 0;
    // The `Tag` of the main window's sysInfo: the status icon number the last refresh chose, as text.
    virtual QString StatusIconTag() const = 0;
    // The pop-up menu, at the pointer; for desktops without a notification area.
    virtual void ShowPopupMenu() = 0;
    // Unloads the main window, which ends the program.
    virtual void UnloadMain() = 0;
    // Whether the program is ending: a strip closed then stores nothing.
    virtual bool Ending() const = 0;
    // Switches to the full display as the menu's Full does, unless it is shown already.
    virtual void LeaveCompact() = 0;
    // Whether a notification area is there: its icon then offers the menu.
    virtual bool TrayAvailable() const = 0;
    // Whether the window system tells where the strip stands (natively on Wayland it does not).
    virtual bool PlacesKnown() const = 0;

protected:
    ~CompactHost() = default;
};

// The compact display: a borderless strip above all windows with the status icon and
// the charge bar. Dragging it anywhere but on the icon moves it; a double click on the
// icon ends the program.
class frmProgress : public QWidget {
    Q_OBJECT
public:
    frmProgress(CompactHost& host, modRegistry& registry);

    QLabel* imgIcon = nullptr;
    QFrame* picContainer = nullptr;
    QFrame* picProgress = nullptr;

    void ShowBar(float widthTwips);
    void ShowIcon(const QIcon& icon);

    void Form_Load();
    void Form_Unload();
    void imgIcon_DblClick();
    // Returns true when the press started a move of the window.
    bool Form_MouseDown(Qt::MouseButton button);

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CompactHost& host_;
    modRegistry& registry_;
    WindowPlace* place_;
    // Where a drag grabbed the window, when the window system cannot move it itself.
    QPoint grab_;
    bool manualDrag_ = false;
    bool closing_ = false;
};
