// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QtTest>

#include "frmAbout.h"
#include "frmInfo.h"
#include "frmProgress.h"
#include "frmSetup.h"
#include "modSystemTray.h"
#include "support/ShellFixture.h"

using reg::Hive;

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartUsesDefaults();
    void secondCopyShowsOnlyTheGuardMessage();
    void storedSettingsAreLoaded();
    void garbageSettingsCountAsMissing();
    void noBatteryIsToldAfterStart();
    void refreshTexts_data();
    void refreshTexts();
    void unknownPercentKeepsIconAndTooltip();
    void tooltipIsCutTo63Characters();
    void shutdownRestoresAndStoresPosition();
    void boxesNeverPileUp();
    void acOffIsToldOnce();
    void estimateFollowsObservedDrops();
    void compactAndFullSwitchAndStore();
    void compactPositionStoredOnlyBySwitchToFull();
    void placesAreKeptWhereTheyCannotBeKnown();
    void minimiseAndRestore_data();
    void minimiseAndRestore();
    void startWithLogin_data();
    void startWithLogin();
    void menuItemsWithMarksToggleOnce();
    void systemColours();
};

void MainWindowTest::firstStartUsesDefaults() {
    ShellFixture f;
    frmMain& m = f.load();
    QCOMPARE(m.pos(), QPoint(0, 0));
    QVERIFY(m.isVisible());
    QVERIFY(m.sbjFull->isChecked());
    QVERIFY(!m.sbjCompact->isChecked());
    QVERIFY(!m.sbjAlwaysOnTop->isChecked());
    QVERIFY(!m.sbjStartWithWindows->isChecked());
    QVERIFY(!m.Settings.ACon && !m.Settings.ACoff && !m.Settings.PercentInform);
    QCOMPARE(int(m.Settings.LowWarningPercent), 0);
    QCOMPARE(f.user(regkeys::Window, "Display"), QString("0"));
    for (const char* key : {regkeys::Window, regkeys::ControlCenter, regkeys::TimeCalc})
        QVERIFY(f.store.HasKey(Hive::CurrentUser, key));
    QVERIFY(m.timRefresh.isActive());
    QCOMPARE(m.timRefresh.interval(), 60000);
    QVERIFY(f.boxes.shown.empty());
    QCOMPARE(f.store.openHandles(), 0);
}

void MainWindowTest::secondCopyShowsOnlyTheGuardMessage() {
    ShellFixture f;
    f.instance.another = true;
    frmMain& m = f.make();
    // The session ends while the box is up: the copy ends, storing nothing.
    f.boxes.whileOpen = [&](const FakeMessageBoxes::Box&) { m.Form_Unload(); };
    QVERIFY(!m.Form_Load());
    QCOMPARE(f.endCalls, 1);
    QCOMPARE(f.boxes.texts(), QStringList{"You can only open ONE Voltara at a time!"});
    QCOMPARE(f.boxes.shown[0].title, QString("Voltara"));
    QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
    QVERIFY(!m.isVisible());
    QVERIFY(!f.store.HasKey(Hive::CurrentUser, regkeys::Window));
    QVERIFY(!m.trayIcon()->isVisible());
}

void MainWindowTest::storedSettingsAreLoaded() {
    ShellFixture f;
    const char* const stored[][3] = {{regkeys::Window, "X", "1500"},
                                     {regkeys::Window, "Y", "3000"},
                                     {regkeys::Window, "Always On Top", "True"},
                                     {regkeys::ControlCenter, "Low Warning Percent", "20"},
                                     {regkeys::ControlCenter, "Low Warning Time", "15"},
                                     {regkeys::ControlCenter, "Percent Inform", "1"},
                                     {regkeys::ControlCenter, "Percent Inform Percent", "80"},
                                     {regkeys::ControlCenter, "ac on", "1"}};
    for (const auto& [key, name, value] : stored) f.putUser(key, name, value);
    f.store.PutRaw(Hive::CurrentUser, regkeys::ControlCenter, "AC Off", {reg::REG_DWORD, {1, 0, 0, 0}});
    f.store.PutText(Hive::LocalMachine, regkeys::Run, "Voltara", "/usr/bin/voltara");
    frmMain& m = f.load();
    QCOMPARE(m.pos(), QPoint(100, 200));  // 15 twips to a pixel at 96 dpi
    QVERIFY(m.sbjAlwaysOnTop->isChecked());
    QVERIFY(m.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(m.sbjStartWithWindows->isChecked());
    const NotificationSettings& s = m.Settings;
    QCOMPARE((QList<int>{s.LowWarningPercent, s.LowWarningTime, s.PercentInformPercent}), (QList<int>{20, 15, 80}));
    QVERIFY(s.PercentInform && s.ACon && s.ACoff);
}

void MainWindowTest::garbageSettingsCountAsMissing() {
    ShellFixture f;
    f.putUser(regkeys::Window, "X", "left");
    f.putUser(regkeys::Window, "Display", "compact please");
    f.putUser(regkeys::Window, "Y", "32212254720");  // 2^31 pixels
    f.putUser(regkeys::ControlCenter, "Low Warning Percent", "99999");
    frmMain& m = f.load();
    QCOMPARE(m.pos().x(), 0);
    QVERIFY(m.pos().y() > 0);  // far off the screen, as stored, but not wrapped round
    QVERIFY(m.sbjFull->isChecked());
    QCOMPARE(int(m.Settings.LowWarningPercent), 0);
}

void MainWindowTest::noBatteryIsToldAfterStart() {
    ShellFixture f;
    f.power.status = 128;
    frmMain& m = f.load();
    QCOMPARE(f.boxes.texts(), QStringList{"No battery detected!"});
    QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Information);
    QCOMPARE(m.lblDisplay[0]->text(), QString("No Battery"));
    QCOMPARE(f.endCalls, 0);
}

void MainWindowTest::refreshTexts_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("ac");
    QTest::addColumn<int>("lifeTime");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QString>("tag");
    QTest::newRow("discharging") << 1 << 85 << 0 << 5025 << "85%" << QStringList{"85%", "1:23:45", "Off"} << "1091";
    QTest::newRow("charging 85") << 9 << 85 << 1 << -1 << "Charging - 85%" << QStringList{"85%", "No Info", "Charging"}
                                 << "1211";
    QTest::newRow("charging 100") << 9 << 100 << 1 << -1 << "100%" << QStringList{"100%", "No Info", "On"} << "1201";
    QTest::newRow("unknown on mains") << 255 << 255 << 1 << -1 << "AC Power" << QStringList{"AC Power", "Unknown", "On"}
                                      << "1201";
    QTest::newRow("unknown") << 255 << 255 << 0 << -1 << "Unknown" << QStringList{"Unknown", "Unknown", "Off"}
                             << "1301";
    QTest::newRow("ac unknown") << 2 << 10 << 255 << 0 << "10%" << QStringList{"10%", "0:0:0", "On"} << "1011";
}

void MainWindowTest::refreshTexts() {
    QFETCH(int, status);
    QFETCH(int, percent);
    QFETCH(int, ac);
    QFETCH(int, lifeTime);
    QFETCH(QString, tooltip);
    QFETCH(QStringList, labels);
    QFETCH(QString, tag);
    ShellFixture f;
    f.power.status = static_cast<std::int16_t>(status);
    f.power.percent = static_cast<std::int16_t>(percent);
    f.power.ac = static_cast<std::int16_t>(ac);
    f.power.lifeTime = lifeTime;
    frmMain& m = f.load();
    QCOMPARE(m.trayIcon()->toolTip(), tooltip);
    QCOMPARE((QStringList{f.label(0), f.label(1), f.label(2)}), labels);
    QCOMPARE(m.sysInfo.Tag, tag);
    const float expectedBar = percent <= 100 && status != 255 ? 2745.0f / 100 * percent : 0.0f;
    QCOMPARE(m.BarWidthTwips(), expectedBar);
}

void MainWindowTest::unknownPercentKeepsIconAndTooltip() {
    ShellFixture f;
    frmMain& m = f.load();
    const QString before = m.trayIcon()->toolTip();
    f.power.percent = 130;  // no band: no icon
    m.Progress();
    QCOMPARE(m.trayIcon()->toolTip(), before);
    QCOMPARE(f.label(0), QString("130%"));
    QCOMPARE(m.sysInfo.Tag, QString("0"));
}

void MainWindowTest::tooltipIsCutTo63Characters() {
    const QString longTip(80, QLatin1Char('x'));
    QCOMPARE(modSystemTray::CutTip(longTip).size(), 63);
    QCOMPARE(modSystemTray::CutTip(longTip.left(63)), longTip.left(63));
}

void MainWindowTest::shutdownRestoresAndStoresPosition() {
    ShellFixture f;
    f.putUser(regkeys::ControlCenter, "Low Warning Percent", "50");
    f.power.percent = 20;
    frmMain& m = f.load();
    m.move(30, 40);
    m.sbjAlwaysOnTop_Click();
    m.showMinimized();
    QTRY_VERIFY(!m.isVisible());
    // Any other state shows the window again; minimised again, it hides.
    m.setWindowState(Qt::WindowNoState);
    QVERIFY(m.isVisible());
    m.showMinimized();
    QTRY_VERIFY(!m.isVisible());
    // A power event waiting while the shutdown restores the window opens no box.
    QMetaObject::invokeMethod(
        &m, [&m] { Q_EMIT m.sysInfo.PowerStatusChanged(); }, Qt::QueuedConnection);
    m.Form_Unload();
    QVERIFY(f.boxes.shown.empty());
    QVERIFY(!m.isMinimized());
    QCOMPARE(f.user(regkeys::Window, "X"), QString("450"));
    QCOMPARE(f.user(regkeys::Window, "Y"), QString("600"));
    QCOMPARE(f.user(regkeys::Window, "Always On Top"), QString("True"));
    QVERIFY(!m.trayIcon()->isVisible());
    QCOMPARE(f.endCalls, 1);
}

void MainWindowTest::boxesNeverPileUp() {
    ShellFixture f;
    f.putUser(regkeys::ControlCenter, "Low Warning Percent", "50");
    f.power.percent = 20;
    frmMain& m = f.load();
    int delivered = 0;
    f.boxes.whileOpen = [&](const FakeMessageBoxes::Box&) {
        // Events that arrive while the box is up.
        if (delivered++ < 3) {
            Q_EMIT m.sysInfo.PowerStatusChanged();
            m.timRefresh_Timer();
        }
    };
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(f.boxes.maxOpen, 1);
    // Each box's waiting events fold into one more run, which shows the level warning again.
    QCOMPARE(int(f.boxes.shown.size()), 4);
    QCOMPARE(f.boxes.shown[0].text, QString("Remaining battery is lower than 50%. It is suggested that you start "
                                            "charging the battery immediately."));
    QVERIFY(f.boxes.shown[0].setForeground);
}

void MainWindowTest::acOffIsToldOnce() {
    ShellFixture f;
    f.putUser(regkeys::ControlCenter, "AC Off", "1");
    f.putUser(regkeys::ControlCenter, "AC On", "1");
    f.power.ac = 1;
    f.power.status = 1;
    frmMain& m = f.load();
    f.power.ac = 0;
    for (int i = 0; i < 3; ++i) m.sysInfo_PowerStatusChanged();
    f.power.ac = 1;
    for (int i = 0; i < 3; ++i) m.sysInfo_PowerStatusChanged();
    QCOMPARE(f.boxes.texts(), (QStringList{"AC Power is now Off.", "AC Power is now On."}));
}

void MainWindowTest::estimateFollowsObservedDrops() {
    ShellFixture f;
    f.power.percent = 80;
    frmMain& m = f.load();
    QCOMPARE(f.label(1), QString("No Info"));
    f.clock.advanceMinutes(3);
    f.power.percent = 78;
    m.sysInfo_PowerStatusChanged();
    // 3 minutes for 2 points: 1.5 minutes a point, 78 points left: 117 minutes.
    QCOMPARE(f.label(1), QString("1:57"));
    QCOMPARE(f.user(regkeys::TimeCalc, "Count"), QString("1"));
}

void MainWindowTest::compactAndFullSwitchAndStore() {
    ShellFixture f;
    frmMain& m = f.load();
    m.sbjAlwaysOnTop_Click();
    m.sbjCompact_Click();
    QVERIFY(!m.isVisible());
    QVERIFY(m.compactWindow() && m.compactWindow()->isVisible());
    QVERIFY(m.compactWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!m.sbjAlwaysOnTop->isVisible());
    QCOMPARE(f.user(regkeys::Window, "Display"), QString("1"));
    // Only the left button's double click on the strip's icon ends the program.
    QTest::mouseDClick(m.compactWindow()->imgIcon, Qt::RightButton);
    QTest::mouseDClick(m.compactWindow()->imgIcon, Qt::MiddleButton);
    QCOMPARE(f.endCalls, 0);
    f.power.percent = 40;
    m.Progress();
    QCOMPARE(m.compactWindow()->picProgress->toolTip(), QString("Status: 40% | Time: No Info | AC: Off"));
    m.sbjFull_Click();
    QTRY_VERIFY(!m.compactWindow());
    QVERIFY(m.isVisible());
    QVERIFY(m.sbjAlwaysOnTop->isVisible());
    QCOMPARE(f.user(regkeys::Window, "Display"), QString("0"));
    // 1725 twips, stretched as much as the layout was for the desktop's font.
    const double stretch = m.fraStatus->width() / (2970 / 15.0);
    QVERIFY(qAbs(m.frameGeometry().height() - 1725 / 15.0 * stretch) <= 1);
    // Always on top survives the round trip, and can still be turned off.
    QVERIFY(m.sbjAlwaysOnTop->isChecked());
    QVERIFY(m.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    m.sbjAlwaysOnTop_Click();
    QVERIFY(!m.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    m.sbjCompact_Click();
    QTest::mouseDClick(m.compactWindow()->imgIcon, Qt::LeftButton);
    QCOMPARE(f.endCalls, 1);
}

void MainWindowTest::compactPositionStoredOnlyBySwitchToFull() {
    ShellFixture f;
    f.putUser(regkeys::Window, "Display", "1");
    f.putUser(regkeys::Window, "CompactX", "300");
    frmMain& m = f.load();
    QVERIFY(m.compactWindow());
    QCOMPARE(m.compactWindow()->pos(), QPoint(20, 0));
    m.compactWindow()->move(50, 60);
    m.sbjFull_Click();
    QCOMPARE(f.user(regkeys::Window, "CompactX"), QString("750"));
    QCOMPARE(f.user(regkeys::Window, "CompactY"), QString("900"));
    // The window manager closes the strip: as Full, never without a window.
    m.sbjCompact_Click();
    QPointer<frmProgress> strip = m.compactWindow();
    strip->move(60, 60);
    strip->close();
    QVERIFY(m.sbjFull->isChecked() && !m.sbjCompact->isChecked());
    QVERIFY(m.isVisible());
    QCOMPARE(f.user(regkeys::Window, "Display"), QString("0"));
    QCOMPARE(f.user(regkeys::Window, "CompactX"), QString("900"));
    QVERIFY(ShellFixture::gone(strip));
    m.sbjCompact_Click();
    m.compactWindow()->move(70, 80);
    m.Form_Unload();
    QCOMPARE(f.user(regkeys::Window, "CompactX"), QString("900"));
    QCOMPARE(f.user(regkeys::Window, "Display"), QString("1"));
}

void MainWindowTest::placesAreKeptWhereTheyCannotBeKnown() {
    ShellFixture f;
    f.placesKnown = false;
    for (const char* name : {"X", "Y", "CompactX", "CompactY"}) f.putUser(regkeys::Window, name, "1500");
    frmMain& m = f.load();
    m.sbjCompact_Click();
    m.compactWindow()->move(50, 60);
    m.sbjFull_Click();
    m.move(30, 40);
    m.Form_Unload();
    for (const char* name : {"X", "Y", "CompactX", "CompactY"})
        QCOMPARE(f.user(regkeys::Window, name), QString("1500"));
}

void MainWindowTest::minimiseAndRestore_data() {
    QTest::addColumn<bool>("tray");
    QTest::addColumn<bool>("doubleClicks");
    QTest::addColumn<bool>("compact");
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("shown");  // the main window afterwards
    QTest::newRow("XEmbed click") << true << true << false << int(QSystemTrayIcon::Trigger) << false;
    QTest::newRow("XEmbed double click") << true << true << false << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("SNI click") << true << false << false << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("SNI click, compact") << true << false << true << int(QSystemTrayIcon::Trigger) << false;
    QTest::newRow("SNI menu request") << true << false << false << int(QSystemTrayIcon::Context) << false;
    // Without a notification area the minimised window stays in the taskbar.
    QTest::newRow("no tray") << false << true << false << int(QSystemTrayIcon::Context) << true;
}

void MainWindowTest::minimiseAndRestore() {
    QFETCH(bool, tray);
    QFETCH(bool, doubleClicks);
    QFETCH(bool, compact);
    QFETCH(int, reason);
    QFETCH(bool, shown);
    ShellFixture f;
    f.tray = tray;
    f.trayDoubleClicks = doubleClicks;
    frmMain& m = f.load();
    if (compact) m.sbjCompact_Click();
    m.showMinimized();
    QCoreApplication::processEvents();
    QCOMPARE(m.isVisible(), !tray);
    Q_EMIT m.trayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QCoreApplication::processEvents();
    QCOMPARE(m.isVisible(), shown);
    if (shown) QCOMPARE(m.isMinimized(), !tray);
    QVERIFY(!m.mnuPopup->isVisible());
}

void MainWindowTest::startWithLogin_data() {
    QTest::addColumn<bool>("rights");
    QTest::addColumn<QStringList>("entries");  // the Run entry before, after a tick, after an untick
    QTest::newRow("with rights") << true << QStringList{"<missing>", "/opt/voltara/voltara", ""};
    // Without rights only the tick changes.
    QTest::newRow("without rights") << false << QStringList(3, "/usr/bin/voltara");
}

void MainWindowTest::startWithLogin() {
    QFETCH(bool, rights);
    QFETCH(QStringList, entries);
    ShellFixture f;
    if (!rights) f.store.PutText(Hive::LocalMachine, regkeys::Run, "Voltara", "/usr/bin/voltara");
    f.store.denyLocalMachine = !rights;
    frmMain& m = f.load();
    for (int i = 0; i < 3; ++i) {
        if (i > 0) m.sbjStartWithWindows_Click();
        QCOMPARE(m.sbjStartWithWindows->isChecked(), i == 1);
        QCOMPARE(QString::fromStdString(f.store.TextOf(Hive::LocalMachine, regkeys::Run, "Voltara")), entries[i]);
    }
}

void MainWindowTest::menuItemsWithMarksToggleOnce() {
    ShellFixture f;
    frmMain& m = f.load();
    // As the menu does, on the screen or exported: the action flips its own mark, and the
    // handler runs later.
    for (QAction* item : {m.sbjStartWithWindows, m.sbjAlwaysOnTop, m.sbjCompact}) {
        item->trigger();
        QCoreApplication::processEvents();
        QVERIFY2(item->isChecked(), qPrintable(item->text()));
    }
    QVERIFY(!m.sbjFull->isChecked());
    QVERIFY(f.store.TextOf(Hive::LocalMachine, regkeys::Run, "Voltara") == "/opt/voltara/voltara");
    QVERIFY(m.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(m.compactWindow());
}

// The menu colour behind the main window, its bar's track, the strip's track, the Control
// Center and the welcome dialog; the menu text in the About dialog's maker lines. The other
// backgrounds are the dialogs' own colour.
void MainWindowTest::systemColours() {
    const QPalette standard = QApplication::palette();
    const QColor menu(0x21, 0xc4, 0x42), menuText(0x9a, 0x12, 0x34), dialog = standard.color(QPalette::Window);
    QPalette menus = standard;
    menus.setColor(QPalette::Button, menu);
    menus.setColor(QPalette::WindowText, menuText);
    QApplication::setPalette(menus, "QMenu");
    const auto shown = [](QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); };
    const auto pastBar = [](QWidget* track) { return track->contentsRect().bottomRight(); };

    ShellFixture f;
    f.power.percent = 50;
    frmMain& m = f.load();
    QCOMPARE(shown(&m, {1, 1}), menu);
    QCOMPARE(shown(m.picContainer, pastBar(m.picContainer)), menu);
    frmInfo info(&m, f.registry, *m.sbjAlwaysOnTop);
    QCOMPARE(shown(&info, {1, 1}), menu);
    auto* setup = f.open<frmSetup>(&frmMain::sbjControlCenter_Click);
    QVERIFY(setup);
    QCOMPARE(shown(setup, {1, setup->height() - 2}), menu);
    auto* about = f.open<frmAbout>(&frmMain::sbjAbout_Click);
    QVERIFY(about);
    QCOMPARE(shown(about, {1, 1}), dialog);
    for (QLabel* line : about->lblInfo) QCOMPARE(line->palette().color(line->foregroundRole()), menuText);
    m.sbjCompact_Click();
    frmProgress* strip = m.compactWindow();
    QCOMPARE(shown(strip, {0, 0}), dialog);
    QCOMPARE(shown(strip->picContainer, pastBar(strip->picContainer)), menu);
    QApplication::setPalette(standard, "QMenu");
}

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
