// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <optional>

#include "Clock.h"
#include "IconResources.h"
#include "Launcher.h"
#include "Logging.h"
#include "MessageBoxes.h"
#include "ProgressBar.h"
#include "RegistryDatum.h"
#include "SingleInstance.h"
#include "StatusComposition.h"
#include "StatusReport.h"
#include "SystemColours.h"
#include "Twips.h"
#include "TwipsLayout.h"
#include "WindowPlace.h"
#include "frmAbout.h"
#include "frmInfo.h"
#include "frmSetup.h"
#include "modBatteryStuff.h"
#include "modRegistry.h"
#include "modSystemTray.h"
#include "modTopMostWindow.h"

namespace {
constexpr const char* Title = "Voltara";
constexpr int RefreshIntervalMs = 60000;
constexpr double ContainerWidthTwips = 2745;
constexpr double FullOuterHeightTwips = 1725;

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

#ifdef Q_OS_WIN
constexpr const char* RunFileName = "voltara.exe";
#else
constexpr const char* RunFileName = "voltara";
#endif
}  // namespace

frmMain::frmMain(ShellServices services)
    : sysInfo(services.power),
      services_(std::move(services)),
      estimator_(std::make_unique<modBatteryStuff>(services_.registry, sysInfo)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(Title));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    windowIcon_ = MainWindowIcon();
    setWindowIcon(windowIcon_);
    BuildLayout();
    BuildMenu();

    tray_ = new QSystemTrayIcon(this);
    // The icon's own menu: StatusNotifierItem hosts show it as an exported menu, and Qt
    // shows it on a right click over XEmbed and on Windows.
    tray_->setContextMenu(mnuPopup);
    // Queued, here and for the menu: the click is reported while the icon still handles its
    // own mouse press, a handler runs after the menu has closed, and Exit removes the icon
    // under both.
    const auto notified = [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
            case QSystemTrayIcon::Trigger: Form_MouseMove(WM_LBUTTONUP); break;
            case QSystemTrayIcon::DoubleClick: Form_MouseMove(WM_LBUTTONDBLCLK); break;
            default: break;
        }
    };
    connect(tray_, &QSystemTrayIcon::activated, this, notified, Qt::QueuedConnection);
    connect(mnuPopup, &QMenu::triggered, this, &frmMain::RunMenuItem, Qt::QueuedConnection);

    place_ = new WindowPlace(this);
    place_->frameChanged = [this] {
        if (sbjFull->isChecked()) ApplyFullHeight();
    };

    timRefresh.setInterval(RefreshIntervalMs);
    connect(&timRefresh, &QTimer::timeout, this, &frmMain::timRefresh_Timer);
    connect(&sysInfo, &SysInfo::PowerStatusChanged, this, &frmMain::sysInfo_PowerStatusChanged);
}

frmMain::~frmMain() {
    // The compact window is a window of its own; it goes with the program.
    delete progress_;
}

frmProgress* frmMain::compactWindow() const { return progress_.data(); }

QString frmMain::DisplayText(int index) const { return lblDisplay.at(static_cast<std::size_t>(index))->text(); }

void frmMain::BuildLayout() {
    QFont standard = font();
    standard.setPointSizeF(8.25);
    setFont(standard);
    // The window, its frame and the bar's track.
    PaintInMenuColour(this);
    TwipsLayout layout(this);

    fraStatus = new QGroupBox(QStringLiteral("Power Status"), this);
    fraStatus->setObjectName(QStringLiteral("fraStatus"));
    layout.Add(fraStatus, 52, 15, 2970, 1290);

    ImgStatus = new QLabel(fraStatus);
    ImgStatus->setObjectName(QStringLiteral("ImgStatus"));
    ImgStatus->setAccessibleName(QStringLiteral("Status icon"));
    layout.Add(ImgStatus, 150, 330, 240, 240, false);
    ImgStatus->setPixmap(windowIcon_.pixmap(16, 16));

    // Each value label is laid out holding the longest text it shows, so the layout makes
    // room for it.
    const struct {
        const char* prompt;
        double promptLeft, top, promptWidth;
        const char* longestValue;
        double valueLeft, valueWidth;
    } rows[] = {{"Battery Status:", 780, 240, 1035, "No Battery", 1845, 1080},
                {"Battery Time:", 780, 465, 930, "12:34:56", 1740, 1185},
                {"AC Power:", 780, 690, 750, "Charging", 1560, 1365}};
    QFont bold = standard;
    bold.setBold(true);
    for (std::size_t i = 0; i < 3; ++i) {
        lblPrompt[i] = new QLabel(QString::fromLatin1(rows[i].prompt), fraStatus);
        lblPrompt[i]->setObjectName(QStringLiteral("lblPrompt%1").arg(i));
        layout.Add(lblPrompt[i], rows[i].promptLeft, rows[i].top, rows[i].promptWidth, 195);
        lblDisplay[i] = new QLabel(QString::fromLatin1(rows[i].longestValue), fraStatus);
        lblDisplay[i]->setObjectName(QStringLiteral("lblDisplay%1").arg(i));
        lblDisplay[i]->setFont(bold);
        layout.Add(lblDisplay[i], rows[i].valueLeft, rows[i].top, rows[i].valueWidth, 195);
        // Screen readers announce the value with its prompt.
        lblDisplay[i]->setAccessibleDescription(lblPrompt[i]->text());
    }

    picContainer = new QFrame(fraStatus);
    picContainer->setObjectName(QStringLiteral("picContainer"));
    picContainer->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picContainer->setLineWidth(2);
    picContainer->setAutoFillBackground(true);
    picContainer->setAccessibleName(QStringLiteral("Charge"));
    layout.Add(picContainer, 90, 960, ContainerWidthTwips, 240);

    picProgress = new QFrame(picContainer);
    picProgress->setObjectName(QStringLiteral("picProgress"));
    PaintAsBar(picProgress);
    picProgress->setAccessibleName(QStringLiteral("Charge bar"));

    layout.Apply(3075, 1665);
    layoutFactor_ = layout.Factor();
    for (QLabel* value : lblDisplay) value->clear();
    SetBarWidth(picContainer, picProgress, progressWidthTwips_, layoutFactor_);
}

void frmMain::BuildMenu() {
    mnuPopup = new QMenu(QStringLiteral("Popup"), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    sbjExit = mnuPopup->addAction(QStringLiteral("&Exit"));
    mnuPopup->addSeparator();
    sbjControlCenter = mnuPopup->addAction(QStringLiteral("&Control Center"));
    mnuPopup->addSeparator();
    sbjCompact = mnuPopup->addAction(QStringLiteral("C&ompact"));
    sbjFull = mnuPopup->addAction(QStringLiteral("&Full"));
    mnuPopup->addSeparator();
    sbjStartWithWindows = mnuPopup->addAction(QStringLiteral("Start with Windows"));
    sbjAlwaysOnTop = mnuPopup->addAction(QStringLiteral("Always On Top"));
    mnuPopup->addSeparator();
    sbjAbout = mnuPopup->addAction(QStringLiteral("&About"));
    for (QAction* a : {sbjCompact, sbjFull, sbjStartWithWindows, sbjAlwaysOnTop}) a->setCheckable(true);
}

bool frmMain::Form_Load() {
    // 1. Single instance: nothing else happens on this path.
    if (services_.singleInstance.AnotherCopyRuns()) {
        services_.messageBoxes.Show(nullptr, QString::fromLatin1(Title),
                                    QStringLiteral("You can only open ONE Voltara at a time!"),
                                    MessageBoxes::Icon::Exclamation);
        return false;
    }
    passedGuard_ = true;
    modRegistry& reg = services_.registry;
    timRefresh.start();
    sysInfo.StartMonitoring();

    // 2. Keys.
    reg.CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    reg.CreateRegistryKey(regkeys::ControlCenter, reg::Hive::CurrentUser);
    reg.CreateRegistryKey(regkeys::TimeCalc, reg::Hive::CurrentUser);

    // 3. Position, as stored, unchecked against the screen.
    place_->Place(QPoint(twips::ToPixelsX(AsPosition(reg.GetUserString(regkeys::Window, "X")), this),
                         twips::ToPixelsY(AsPosition(reg.GetUserString(regkeys::Window, "Y")), this)));

    // 4. Tray icon; shows the main window.
    modSystemTray::AddTrayIcon(*this, *tray_, windowIcon_, QString::fromLatin1(Title));

    // 5. First refresh.
    Progress();

    // 6. Display mode.
    const bool full = EqualsNumberZero(reg.GetUserString(regkeys::Window, "Display"));
    sbjFull->setChecked(full);
    sbjCompact->setChecked(!full);
    ResizeForm();

    // 7. Always on top.
    sbjAlwaysOnTop->setChecked(AsFlag(reg.GetUserString(regkeys::Window, "Always On Top")));
    if (sbjAlwaysOnTop->isChecked()) modTopMostWindow::SetTopMost(this, true);

    // 8. Start with log-in.
    sbjStartWithWindows->setChecked(RunEntryStored(reg, services_.runEntryPlace));

    // 9. Notification settings.
    Settings.LowWarningPercent = AsSmallInteger(reg.GetUserString(regkeys::ControlCenter, "Low Warning Percent"));
    Settings.LowWarningTime = AsSmallInteger(reg.GetUserString(regkeys::ControlCenter, "Low Warning Time"));
    Settings.PercentInform = AsFlag(reg.GetUserString(regkeys::ControlCenter, "Percent Inform"));
    Settings.PercentInformPercent = AsSmallInteger(reg.GetUserString(regkeys::ControlCenter, "Percent Inform Percent"));
    Settings.ACon = AsFlag(reg.GetUserString(regkeys::ControlCenter, "AC On"));
    Settings.ACoff = AsFlag(reg.GetUserString(regkeys::ControlCenter, "AC Off"));

    // 10. Welcome dialog.
    if (EqualsEmptyText(reg.GetUserString(regkeys::Setting, "Show Info"))) ShowWelcome();
    if (unloading_) return true;  // the session ended while the dialog was open

    // 11. Battery check; a failed read tells nothing either way.
    bool noBattery = false;
    try {
        noBattery = sysInfo.BatteryStatus() == 128;
    } catch (const PowerReadError& e) {
        qCWarning(lcPower) << "No battery check:" << e.what();
    }
    if (noBattery)
        services_.messageBoxes.Show(this, QString::fromLatin1(Title), QStringLiteral("No battery detected!"),
                                    MessageBoxes::Icon::Information);
    return true;
}

void frmMain::Form_Unload() {
    if (unloading_) return;
    unloading_ = true;
    // A second copy ended while it tells the user about the first has nothing to store:
    // the place and the choices on file are the running copy's.
    if (!passedGuard_) {
        services_.endProgram();
        return;
    }
    timRefresh.stop();
    modSystemTray::DeleteTrayIcon(*tray_);
    modRegistry& reg = services_.registry;
    reg.CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    // Restore first, so the edges stored are those of the normal window.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    QCoreApplication::processEvents();
    if (services_.windowPlacesKnown) {
        const QPoint frame = place_->FramePosition();
        reg.SaveUserString(regkeys::Window, "X", static_cast<float>(twips::FromPixelsX(frame.x(), this)));
        reg.SaveUserString(regkeys::Window, "Y", static_cast<float>(twips::FromPixelsY(frame.y(), this)));
    }
    reg.SaveUserString(regkeys::Window, "Always On Top", sbjAlwaysOnTop->isChecked());
    services_.endProgram();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void frmMain::Form_Resize() {
    // A window the window manager restores is one it still had: it is shown already. A window
    // the program hid comes back by the program's hand alone: once it is withdrawn, mutter
    // drops its minimised state, which reads as a restore nobody asked for.
    if (unloading_ || !isMinimized()) return;
    // A minimised main window leaves the taskbar when the tray icon can bring it back;
    // without a notification area the taskbar is the only way back. Hidden once the window
    // system has finished minimising it.
    if (!services_.trayAvailable()) return;
    QTimer::singleShot(0, this, [this] {
        if (isMinimized()) hide();
    });
}

void frmMain::contextMenuEvent(QContextMenuEvent* event) {
    // Without a notification area the menu would be out of reach: the window offers it.
    if (services_.trayAvailable()) return QWidget::contextMenuEvent(event);
    ShowPopupMenu();
}

void frmMain::timRefresh_Timer() { sysInfo_PowerStatusChanged(); }

void frmMain::sysInfo_PowerStatusChanged() {
    // The shutdown lets pending events run while it restores the window; a power event
    // among them must not open a box before the place is stored.
    if (unloading_) return;
    // A run waits in its message box; events that arrive meanwhile are folded into one
    // run after it, so boxes never pile up.
    if (inPowerEvent_) {
        powerEventPending_ = true;
        return;
    }
    inPowerEvent_ = true;
    do {
        powerEventPending_ = false;
        RunPowerEvent();
    } while (powerEventPending_ && !unloading_);
    inPowerEvent_ = false;
}

void frmMain::RunPowerEvent() {
    // A failed read of the power status skips the rules or the sample that needed it.
    std::optional<std::string> message;
    try {
        message = ApplyPowerEventRules(Settings, S(lblDisplay[1]->text()), S(lblDisplay[2]->text()), sysInfo);
    } catch (const PowerReadError& e) {
        qCWarning(lcPower) << "No notification rule this run:" << e.what();
    }
    if (message) {
        services_.messageBoxes.Show(this, QString::fromLatin1(Title), Q(*message), MessageBoxes::Icon::Information,
                                    true);
        if (unloading_) return;
    }
    try {
        RunSamplingStep(*estimator_, sysInfo, S(lblDisplay[0]->text()), S(lblDisplay[2]->text()), lastUpdateAwake_,
                        services_.clock, LastUpdate);
    } catch (const PowerReadError& e) {
        qCWarning(lcPower) << "No discharge sample this run:" << e.what();
    }
    Progress();
}

void frmMain::Progress() {
    // The texts come from the steps `voltara --status` takes too. A step that fails (a failed
    // read of the power status above all) is abandoned: what it would have written keeps its
    // previous state, and the refresh goes on with the next.
    const ComposedStatus composed =
        ComposeStatusTexts(sysInfo, {S(lblDisplay[0]->text()), S(lblDisplay[1]->text()), S(lblDisplay[2]->text())},
                           [this] { return estimator_->GetRemainingTime(); });
    const std::optional<StatusClassification>& c = composed.classification;

    QIcon small;
    if (c) {
        const QString status = Q(c->statusText);

        // 3. Bar.
        progressWidthTwips_ = BarWidth(static_cast<float>(ContainerWidthTwips), c->barPercent);
        SetBarWidth(picContainer, picProgress, progressWidthTwips_, layoutFactor_);

        // 4. Tray icon and tooltip; a number without an icon leaves both as they were. An
        // unchanged pair is not sent again: the notification area would repaint for nothing.
        small = CachedIcon(c->iconNumber);
        if (!small.isNull() &&
            (small.cacheKey() != tray_->icon().cacheKey() || tray_->toolTip() != modSystemTray::CutTip(status)))
            modSystemTray::ModifyTrayIcon(*tray_, small, status);

        // 5. Status image.
        const QIcon large = c->iconNumber ? CachedIcon(c->iconNumber - 1) : QIcon();
        if (!large.isNull()) {
            ImgStatus->setPixmap(large.pixmap(32, 32));
            ImgStatus->resize(32, 32);
        }
    }
    // 6. to 8. Battery Status, Battery Time and AC texts; an unchanged text is no change.
    lblDisplay[0]->setText(Q(composed.texts.batteryStatus));
    lblDisplay[1]->setText(Q(composed.texts.batteryTime));
    lblDisplay[2]->setText(Q(composed.texts.ac));

    // 9. Compact window.
    if (sbjCompact->isChecked() && progress_) {
        progress_->ShowBar(progressWidthTwips_);
        progress_->picProgress->setToolTip(
            Q(CompactTooltip(S(lblDisplay[0]->text()), S(lblDisplay[1]->text()), S(lblDisplay[2]->text()))));
        if (!small.isNull()) progress_->ShowIcon(small);
    }

    // 10. and 11. The time stamp goes with the Battery Status text: the next sampling step
    // measures the fall from that text over the time since it was written.
    if (c) sysInfo.Tag = QString::number(c->iconNumber);
    if (composed.statusWritten) {
        LastUpdate = static_cast<std::int32_t>(RoundHalfEven(services_.clock.SecondsSinceMidnight()));
        lastUpdateAwake_ = services_.clock.AwakeSeconds();
    }
}

const QIcon& frmMain::CachedIcon(int number) {
    auto it = icons_.find(number);
    if (it == icons_.end()) it = icons_.insert(number, LoadIconResource(number));
    return *it;
}

void frmMain::Form_MouseMove(int message) {
    // The way back for a window that hid itself when minimised: a double click where the
    // notification area reports one, else a click.
    if (message != (services_.trayDoubleClicks ? WM_LBUTTONDBLCLK : WM_LBUTTONUP) || sbjCompact->isChecked()) return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    modTopMostWindow::SetForegroundWindow(this);
}

void frmMain::ShowPopupMenu() { mnuPopup->exec(QCursor::pos()); }

void frmMain::RunMenuItem(QAction* chosen) {
    // The menu has already flipped a ticked item's mark; the handlers decide from the
    // mark as it was when the user chose.
    if (chosen && chosen->isCheckable()) chosen->setChecked(!chosen->isChecked());
    if (chosen == sbjExit)
        sbjExit_Click();
    else if (chosen == sbjControlCenter)
        sbjControlCenter_Click();
    else if (chosen == sbjCompact)
        sbjCompact_Click();
    else if (chosen == sbjFull)
        sbjFull_Click();
    else if (chosen == sbjStartWithWindows)
        sbjStartWithWindows_Click();
    else if (chosen == sbjAlwaysOnTop)
        sbjAlwaysOnTop_Click();
    else if (chosen == sbjAbout)
        sbjAbout_Click();
}

void frmMain::sbjExit_Click() { Form_Unload(); }

void frmMain::ResizeForm() {
    const bool full = sbjFull->isChecked() || !sbjCompact->isChecked();
    modRegistry& reg = services_.registry;
    if (full) {
        // A minimised window is restored first: the height below presumes a normal one.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
        if (progress_) progress_->close();
        sbjAlwaysOnTop->setVisible(true);
        reg.SaveUserString(regkeys::Window, "Display", 0);
        ApplyFullHeight();
    } else {
        hide();
        if (!progress_) progress_ = new frmProgress(*this, services_.registry);
        progress_->show();
        sbjAlwaysOnTop->setVisible(false);
        reg.SaveUserString(regkeys::Window, "Display", 1);
    }
}

void frmMain::ApplyFullHeight() {
    // The outer height includes the window manager's frame, known once the window is
    // mapped; until then the frame counts as nothing.
    const int frame = frameGeometry().height() - geometry().height();
    setFixedHeight(std::max(1, twips::ToPixelsY(FullOuterHeightTwips * layoutFactor_, this) - frame));
}

void frmMain::sbjCompact_Click() {
    sbjCompact->setChecked(true);
    sbjFull->setChecked(false);
    ResizeForm();
}

void frmMain::LeaveCompact() {
    if (sbjCompact->isChecked()) sbjFull_Click();
}

void frmMain::sbjFull_Click() {
    sbjFull->setChecked(true);
    sbjCompact->setChecked(false);
    ResizeForm();
}

void frmMain::sbjAlwaysOnTop_Click() {
    const bool on = !sbjAlwaysOnTop->isChecked();
    modTopMostWindow::SetTopMost(this, on);
    sbjAlwaysOnTop->setChecked(on);
}

void frmMain::sbjStartWithWindows_Click() {
    // The tick follows what is stored, so a refused write never shows as done.
    const QString path =
        QDir::toNativeSeparators(services_.programFolder + QLatin1Char('/') + QString::fromLatin1(RunFileName));
    sbjStartWithWindows->setChecked(
        StoreRunEntry(services_.registry, services_.runEntryPlace, S(path), !sbjStartWithWindows->isChecked()));
}

void frmMain::ShowWelcome() {
    frmInfo info(this, services_.registry, *sbjAlwaysOnTop);
    info.exec();
}

// Each dialog exists once; choosing its item again shows the same window again.
static void ShowAgain(QDialog* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frmMain::sbjControlCenter_Click() {
    if (!setup_) setup_ = new frmSetup(this, services_.registry, Settings, services_.messageBoxes);
    ShowAgain(setup_);
}

void frmMain::sbjAbout_Click() {
    if (!about_) about_ = new frmAbout(this, services_.launcher, services_.messageBoxes);
    ShowAgain(about_);
}
