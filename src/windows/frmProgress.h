#pragma once
#include <QIcon>
#include <QPoint>
#include <QWidget>

class QFrame;
class QLabel;
class frmMain;
class WindowPlace;

// The compact display: a borderless strip above all windows with the status icon and
// the charge bar. Dragging it anywhere but on the icon moves it; a double click on the
// icon ends the program.
class frmProgress : public QWidget {
    Q_OBJECT
public:
    explicit frmProgress(frmMain& main);

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
    frmMain& main_;
    WindowPlace* place_;
    // Where a drag grabbed the window, when the window system cannot move it itself.
    QPoint grab_;
    bool manualDrag_ = false;
};
