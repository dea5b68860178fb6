// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "PowerEventRules.h"
#include "RunEntry.h"
#include "SysInfo.h"
#include "frmProgress.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class frmSetup;
class frmAbout;
class WindowPlace;
class Clock;
class Launcher;
class MessageBoxes;
class PowerSource;
class SingleInstance;
class modBatteryStuff;
class modRegistry;

// What the main window needs from the outside world, passed in so tests can fake it.
struct ShellServices {
    modRegistry& registry;
    PowerSource& power;  // what sysInfo reads
    Clock& clock;
    MessageBoxes& messageBoxes;
    SingleInstance& singleInstance;
    Launcher& launcher;                // opens the default browser
    QString programFolder;             // where the running program file lies
    std::function<void()> endProgram;  // ends the program at once
    // The desktop. Where the notification area reports no double click (StatusNotifierItem
    // hosts), a click on the icon restores the main window.
    bool trayDoubleClicks = true;
    // False where the window system neither tells nor takes window places (native Wayland):
    // the stored places are then kept as they are.
    bool windowPlacesKnown = true;
    // Whether a notification area is there now, whose icon can bring a hidden window back.
    std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    // Where "Start with Windows" keeps its entry.
    RunEntryPlace runEntryPlace = RunEntryPlace::MachineKey;
};

// The program's first window; it lives exactly as long as the program.
class frmMain : public QWidget, private CompactHost {
    Q_OBJECT
public:
    explicit frmMain(ShellServices services);
    ~frmMain() override;

    // The start-up sequence. False when another copy runs: the program ends.
    bool Form_Load();
    // The shutdown sequence; ends the program.
    void Form_Unload();
    // True once the shutdown sequence has run (it may run inside a nested event loop).
    bool HasEnded() const { return unloading_; }

    // Public fields other windows read and write.
    NotificationSettings Settings;
    std::int32_t LastUpdate = 0;  // seconds since local midnight at the end of the last refresh
    SysInfo sysInfo;

    // Elements other windows read.
    std::array<QLabel*, 3> lblDisplay{};
    std::array<QLabel*, 3> lblPrompt{};
    QGroupBox* fraStatus = nullptr;
    QLabel* ImgStatus = nullptr;
    QFrame* picContainer = nullptr;
    QFrame* picProgress = nullptr;
    QTimer timRefresh;

    QMenu* mnuPopup = nullptr;
    QAction* sbjExit = nullptr;
    QAction* sbjControlCenter = nullptr;
    QAction* sbjCompact = nullptr;
    QAction* sbjFull = nullptr;
    QAction* sbjStartWithWindows = nullptr;
    QAction* sbjAlwaysOnTop = nullptr;
    QAction* sbjAbout = nullptr;
    QSystemTrayIcon* trayIcon() const { return tray_; }
    frmProgress* compactWindow() const;
    // The width of the main window's bar in twips, as the last refresh set it.
    float BarWidthTwips() const override { return progressWidthTwips_; }

    // Handlers.
    void sysInfo_PowerStatusChanged();
    void timRefresh_Timer();
    void Progress();
    // A notification from the tray icon, as the mouse message number the icon sends. The
    // menu is the icon's own: the notification area or Qt opens it, not this handler.
    void Form_MouseMove(int message);
    void sbjExit_Click();
    void sbjControlCenter_Click();
    void sbjAbout_Click();
    void sbjCompact_Click();
    void sbjFull_Click();
    void sbjAlwaysOnTop_Click();
    void sbjStartWithWindows_Click();

    // Opens the pop-up menu at the pointer; the chosen item runs after it closes.
    void ShowPopupMenu() override;
    // Runs the handler of an item the menu returned (its mark already flipped by the menu).
    void RunMenuItem(QAction* chosen);

    static constexpr int WM_LBUTTONUP = 0x202;
    static constexpr int WM_LBUTTONDBLCLK = 0x203;

protected:
    void closeEvent(QCloseEvent* event) override;
    // Form_Resize: a minimised main window hides itself where the tray icon can bring it back.
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // What the compact window reads and asks.
    QWidget* MainWindow() override { return this; }
    QString DisplayText(int index) const override;
    QString StatusIconTag() const override { return sysInfo.Tag; }
    void UnloadMain() override { Form_Unload(); }
    bool Ending() const override { return unloading_; }
    void LeaveCompact() override;
    bool TrayAvailable() const override { return services_.trayAvailable(); }
    bool PlacesKnown() const override { return services_.windowPlacesKnown; }

    void BuildLayout();
    void BuildMenu();
    void ResizeForm();
    void Form_Resize();
    void ApplyFullHeight();
    void ShowWelcome();
    void RunPowerEvent();
    const QIcon& CachedIcon(int number);

    ShellServices services_;
    std::unique_ptr<modBatteryStuff> estimator_;
    QSystemTrayIcon* tray_ = nullptr;
    QIcon windowIcon_;
    WindowPlace* place_ = nullptr;
    // Each icon is parsed from its SVG once and keeps its cache key. A fresh QIcon per
    // refresh would be parsed again and add new renderings to Qt's pixmap cache each time.
    QHash<int, QIcon> icons_;
    QPointer<frmProgress> progress_;
    QPointer<frmSetup> setup_;
    QPointer<frmAbout> about_;
    float progressWidthTwips_ = 1500;
    // How much the twips layout was stretched to fit the desktop's font.
    double layoutFactor_ = 1;
    double lastUpdateAwake_ = 0;
    bool inPowerEvent_ = false;
    bool powerEventPending_ = false;
    bool unloading_ = false;
    bool passedGuard_ = false;  // no other copy was running at start
};
