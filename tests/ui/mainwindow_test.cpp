// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QtTest>

#include "IconResources.h"
#include "frmProgress.h"
#include "modSystemTray.h"
#include "support/ShellFixture.h"

using reg::Hive;

namespace {
// Whether a display shows icon `number` as drawn for `size` pixels.
bool Shows(const QPixmap& shown, int number, int size) {
    return !shown.isNull() && shown.toImage() == LoadIconResource(number).pixmap(size).toImage();
}
}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }

    // Every display after a refresh, the strip open: the labels, the tooltips, the bar, and
    // one icon of a pair everywhere (the main window's large drawing, the strip's and tray's small).
    void displays_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("ac");
        QTest::addColumn<int>("lifeTime");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<int>("icon");
        QTest::newRow("discharging") << 1 << 85 << 0 << 5025 << "85%" << QStringList{"85%", "1:23:45", "Off"} << 1091;
        QTest::newRow("charging") << 9 << 85 << 1 << -1 << "Charging - 85%" << QStringList{"85%", "No Info", "Charging"}
                                  << 1211;
        QTest::newRow("unknown on mains")
            << 255 << 255 << 1 << -1 << "AC Power" << QStringList{"AC Power", "Unknown", "On"} << 1201;
        QTest::newRow("no battery") << 128 << 255 << 255 << -1 << "No Battery"
                                    << QStringList{"No Battery", "No Info", "On"} << 1301;
    }
    void displays() {
        QFETCH(int, status);
        QFETCH(int, percent);
        QFETCH(int, ac);
        QFETCH(int, lifeTime);
        QFETCH(QStringList, labels);
        QFETCH(int, icon);
        ShellFixture f;
        f.power.percent = 50;
        frmMain& m = f.load();
        QVERIFY(m.timRefresh.isActive());
        QCOMPARE(m.timRefresh.interval(), 60000);
        m.sbjCompact_Click();
        f.power.status = static_cast<std::int16_t>(status);
        f.power.percent = static_cast<std::int16_t>(percent);
        f.power.ac = static_cast<std::int16_t>(ac);
        f.power.lifeTime = lifeTime;
        m.Progress();
        QTEST(m.trayIcon()->toolTip(), "tooltip");
        QCOMPARE((QStringList{f.label(0), f.label(1), f.label(2)}), labels);
        QCOMPARE(m.sysInfo.Tag, QString::number(icon));
        QCOMPARE(m.BarWidthTwips(), status < 128 ? 2745.0f / 100 * percent : 0.0f);
        QCOMPARE(m.compactWindow()->picProgress->toolTip(),
                 QString("Status: %1 | Time: %2 | AC: %3").arg(labels[0], labels[1], labels[2]));
        QVERIFY(Shows(m.ImgStatus->pixmap(), icon - 1, 32));
        QVERIFY(Shows(m.compactWindow()->imgIcon->pixmap(), icon, 16));
        QVERIFY(Shows(m.trayIcon()->icon().pixmap(16), icon, 16));
    }

    // Refreshes one after another: a tray icon reused within its band (a fresh one each time
    // grows Qt's pixmap cache at every power event), and a status that cannot be read, or a
    // charge in no band, leaves each display it would have written as it was.
    void refreshesInARow() {
        ShellFixture f;
        f.putUser(regkeys::ControlCenter, "AC On", "1");
        f.power.failing = true;
        frmMain& m = f.load();
        QVERIFY(f.boxes.shown.empty());  // not "No battery detected!": nothing is known
        qint64 at85 = 0;
        const struct {
            bool failing;
            std::int16_t ac, percent;
            int minutes;
            const char *tip, *tag;
            QStringList labels;
        } steps[] = {{false, 0, 85, 1, "85%", "1091", {"85%", "No Info", "Off"}},
                     {true, 1, 85, 1, "85%", "1091", {"85%", "No Info", "Off"}},
                     {false, 0, 83, 1, "83%", "1091", {"83%", "1:23", "Off"}},   // 2 points in 2 minutes
                     {false, 0, 35, 48, "35%", "1041", {"35%", "0:35", "Off"}},  // at the same pace
                     {false, 0, 130, 1, "35%", "0", {"130%", "2:10", "Off"}}};
        for (const auto& step : steps) {
            f.power.failing = step.failing;
            f.power.ac = step.ac;
            f.power.percent = step.percent;
            f.clock.advanceMinutes(step.minutes);
            m.sysInfo_PowerStatusChanged();
            QCOMPARE((QStringList{f.label(0), f.label(1), f.label(2)}), step.labels);
            QCOMPARE(m.trayIcon()->toolTip(), QString(step.tip));
            QCOMPARE(m.sysInfo.Tag, QString(step.tag));
            if (!at85) at85 = m.trayIcon()->icon().cacheKey();
            QCOMPARE(m.trayIcon()->icon().cacheKey() == at85, step.tag == QString("1091"));
        }
        QVERIFY(f.boxes.shown.empty());  // no rule fired on a guess
    }

    void tooltipIsCutTo63Characters() {
        QWidget window;
        QSystemTrayIcon tray;
        const QString tip(63, QLatin1Char('x'));
        modSystemTray::AddTrayIcon(window, tray, QIcon(), tip + "y");
        QCOMPARE(tray.toolTip(), tip);
        modSystemTray::ModifyTrayIcon(tray, QIcon(), "y" + tip);
        QCOMPARE(tray.toolTip(), "y" + tip.left(62));
    }

    void secondCopyShowsOnlyTheGuardMessage() {
        ShellFixture f;
        f.instance.another = true;
        frmMain& m = f.make();
        // The session ends while the box is up: the copy ends, storing nothing.
        f.boxes.whileOpen = [&](const FakeMessageBoxes::Box&) { m.Form_Unload(); };
        QVERIFY(!m.Form_Load());
        QCOMPARE(f.endCalls, 1);
        QCOMPARE(f.boxes.texts(), QStringList{"You can only open ONE Voltara at a time!"});
        QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
        QVERIFY(!f.store.HasKey(Hive::CurrentUser, regkeys::Window));
    }

    // Events that arrive while a box is up wait for it: one box at a time, each box's waiting
    // events folded into one more run.
    void powerEventBoxes() {
        ShellFixture f;
        f.putUser(regkeys::ControlCenter, "Low Warning Percent", "50");
        f.putUser(regkeys::ControlCenter, "AC On", "1");
        f.power.percent = 20;
        frmMain& m = f.load();
        int delivered = 0;
        f.boxes.whileOpen = [&](const FakeMessageBoxes::Box&) {
            if (delivered++ >= 3) return;
            Q_EMIT m.sysInfo.PowerStatusChanged();
            m.timRefresh_Timer();
        };
        m.sysInfo_PowerStatusChanged();
        QCOMPARE(f.boxes.maxOpen, 1);
        QCOMPARE(int(f.boxes.shown.size()), 4);
        f.power.ac = 1;
        m.sysInfo_PowerStatusChanged();
        QCOMPARE(f.boxes.texts().last(), QString("AC Power is now On."));
        for (const auto& box : f.boxes.shown) {
            QCOMPARE(box.title, QString("Voltara"));
            QCOMPARE(box.icon, MessageBoxes::Icon::Information);
            QVERIFY(box.setForeground);
        }
    }

    void messageBoxIcons_data() {
        QTest::addColumn<MessageBoxes::Icon>("icon");
        QTest::addColumn<QMessageBox::Icon>("shown");
        QTest::newRow("information") << MessageBoxes::Icon::Information << QMessageBox::Information;
        QTest::newRow("exclamation") << MessageBoxes::Icon::Exclamation << QMessageBox::Warning;
    }
    void messageBoxIcons() {
        QFETCH(MessageBoxes::Icon, icon);
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shown = box->icon();
            box->accept();
        });
        QtMessageBoxes().Show(nullptr, "Voltara", "AC Power is now On.", icon, true);
        QTEST(shown, "shown");
    }

    // Exit and the close box end the program alike; each stores the place of the normal
    // window and the on-top choice, and a power event waiting meanwhile opens no box.
    void shutdown_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Exit while minimised") << false;
        QTest::newRow("close box") << true;
    }
    void shutdown() {
        QFETCH(bool, closeBox);
        ShellFixture f;
        const char* const stored[][2] = {{"Low Warning Percent", "20"},
                                         {"Low Warning Time", "15"},
                                         {"Percent Inform", "1"},
                                         {"Percent Inform Percent", "80"},
                                         {"AC On", "1"},
                                         {"AC Off", "1"}};
        for (const auto& [name, value] : stored) f.putUser(regkeys::ControlCenter, name, value);
        for (const char* name : {"X", "Y"}) f.putUser(regkeys::Window, name, name[0] == 'X' ? "1500" : "3000");
        f.putUser(regkeys::Window, "Always On Top", "True");
        frmMain& m = f.load();
        QCOMPARE(m.pos(), QPoint(100, 200));
        QVERIFY(m.sbjAlwaysOnTop->isChecked() && m.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const NotificationSettings& s = m.Settings;
        QCOMPARE((QList<int>{s.LowWarningPercent, s.LowWarningTime, s.PercentInformPercent}), (QList<int>{20, 15, 80}));
        QVERIFY(s.PercentInform && s.ACon && s.ACoff);
        m.move(30, 40);
        m.sbjAlwaysOnTop_Click();
        if (!closeBox) m.showMinimized();
        QTRY_COMPARE(m.isVisible(), closeBox);
        f.power.ac = 1;
        QMetaObject::invokeMethod(
            &m, [&m] { Q_EMIT m.sysInfo.PowerStatusChanged(); }, Qt::QueuedConnection);
        closeBox ? void(m.close()) : m.sbjExit_Click();
        QCOMPARE(f.endCalls, 1);
        QVERIFY(f.boxes.shown.empty());
        QVERIFY(!m.isMinimized());
        QCOMPARE(f.user(regkeys::Window, "X"), QString("450"));
        QCOMPARE(f.user(regkeys::Window, "Y"), QString("600"));
        QCOMPARE(f.user(regkeys::Window, "Always On Top"), QString("False"));
        QVERIFY(!m.trayIcon()->isVisible());
        m.close();
        QCOMPARE(f.endCalls, 1);
    }

    // Minimised, the main window leaves the taskbar where the tray icon can bring it back,
    // and comes back in the normal state.
    void minimiseAndRestore_data() {
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
        QTest::newRow("no tray") << false << true << false << int(QSystemTrayIcon::Context) << true;
    }
    void minimiseAndRestore() {
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

    // The strip closed by the window manager: as Full, never without a window; on top
    // survives the round trip.
    void displayModes() {
        ShellFixture f;
        frmMain& m = f.load();
        m.sbjAlwaysOnTop_Click();
        m.sbjCompact_Click();
        QPointer<frmProgress> strip = m.compactWindow();
        QVERIFY(strip && strip->isVisible() && !m.isVisible() && !m.sbjAlwaysOnTop->isVisible());
        QVERIFY(strip->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(f.user(regkeys::Window, "Display"), QString("1"));
        strip->move(60, 60);
        strip->close();
        QVERIFY(m.sbjFull->isChecked() && !m.sbjCompact->isChecked() && m.isVisible());
        QCOMPARE(f.user(regkeys::Window, "Display"), QString("0"));
        QCOMPARE(f.user(regkeys::Window, "CompactX"), QString("900"));
        QVERIFY(ShellFixture::gone(strip));
        QVERIFY(m.sbjAlwaysOnTop->isVisible() && m.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    // Every status icon renders at the sizes the displays ask for; a dense screen gets a
    // drawing at twice the pixels, not a blown-up one; the 32 px window icon is its own drawing.
    void icons() {
        const auto opaque = [](const QPixmap& pixmap) {
            const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
            int n = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
            return n;
        };
        std::vector<std::pair<QIcon, int>> all{
            {MainWindowIcon(), 16}, {ControlCenterIcon(), 16}, {ApplicationIcon(), 16}};
        for (int n : {1011, 1021, 1031, 1041, 1051, 1061, 1071, 1081, 1091, 1101, 1201, 1211, 1301})
            all.insert(all.end(), {{LoadIconResource(n), 16}, {LoadIconResource(n - 1), 32}});
        for (const auto& [icon, design] : all) {
            for (int size : {16, 24, 32}) QVERIFY(opaque(icon.pixmap(size)) > size * size / 5);
            const QSize at(design, design);
            const QPixmap dense = icon.pixmap(at, 2.0);
            QCOMPARE(dense.deviceIndependentSize(), QSizeF(at));
            QVERIFY(opaque(dense) > design * design * 4 / 5);
            const QImage blownUp =
                icon.pixmap(at).toImage().scaled(at * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QVERIFY(dense.toImage().convertToFormat(blownUp.format()) != blownUp);
        }
        QVERIFY(ApplicationIcon().pixmap(32).toImage() != ApplicationIcon().pixmap(QSize(16, 16), 2.0).toImage());
        QVERIFY(LoadIconResource(1012).isNull());
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
