// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QtTest>
#include <cmath>
#include <fstream>
#include <sstream>

#include "Desktop.h"
#include "IconResources.h"
#include "Log.h"
#include "Logging.h"
#include "StatusReport.h"
#include "frmProgress.h"
#include "modSystemTray.h"
#include "modTopMostWindow.h"
#include "support/ShellFixture.h"

namespace {
QStringList Labels(const ShellFixture& f) { return {f.label(0), f.label(1), f.label(2)}; }
// At its design size (even numbers 32 px, odd ones 16) an icon is the picture rendered for that size, not the double
// one scaled down.
QImage Drawn(int number) {
    return ReadImageResource(":/icons/" + QString::number(number) + ".png", "png")
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A refresh with the strip open: the texts, the bar, and one icon of a pair on every
    // display (the main window's large drawing, the strip's and the tray's small one).
    void displays_data() {
        // status, percent, AC, life time -> tooltip, the three labels and the icon's number
        QTest::addColumn<QString>("event");
        QTest::newRow("discharging") << "1 85 0 5025 -> 85%|85%|1:23:45|Off|1091";
        QTest::newRow("charging") << "9 85 1 -1 -> Charging - 85%|85%|No Info|Charging|1211";
        QTest::newRow("unknown on mains") << "255 255 1 -1 -> AC Power|AC Power|Unknown|On|1201";
        QTest::newRow("no battery") << "128 255 255 -1 -> No Battery|No Battery|No Info|On|1301";
    }
    void displays() {
        QFETCH(QString, event);
        const QStringList texts = event.section(" -> ", 1).split('|');
        const int icon = texts[4].toInt();
        ShellFixture f;
        f.power.percent = 50;
        frmMain& m = f.load();
        QVERIFY(m.windowTitle() == "Voltara" && m.timRefresh.isActive() && m.timRefresh.interval() == 60000);
        m.sbjCompact_Click();
        std::istringstream(event.toStdString()) >> f.power.status >> f.power.percent >> f.power.ac >> f.power.lifeTime;
        m.Progress();
        QCOMPARE(QStringList{m.trayIcon()->toolTip()} + Labels(f) + QStringList{m.sysInfo.Tag}, texts);
        QCOMPARE(m.BarWidthTwips(), f.power.status < 128 ? 2745.0f / 100 * f.power.percent : 0.0f);
        const frmProgress* strip = m.compactWindow();  // its bar as long a part of its 2745-twip track
        QVERIFY(qAbs(strip->picProgress->width() - strip->picContainer->width() * m.BarWidthTwips() / 2745) <= 3);
        QCOMPARE(strip->picProgress->toolTip(),
                 QString("Status: %1 | Time: %2 | AC: %3").arg(texts[1], texts[2], texts[3]));
        QCOMPARE(m.ImgStatus->pixmap().toImage(), Drawn(icon - 1));
        QCOMPARE(strip->imgIcon->pixmap().toImage(), Drawn(icon));
        QCOMPARE(m.trayIcon()->icon().pixmap(16).toImage(), Drawn(icon));
        // A dense screen gets the drawing at twice the pixels; a size no drawing has, a scaled one; a painter, the
        // pixmap.
        QCOMPARE(m.trayIcon()->icon().pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
        QCOMPARE(m.trayIcon()->icon().pixmap(24).size(), QSize(24, 24));
        QImage painted(32, 32, QImage::Format_ARGB32_Premultiplied);
        painted.setDevicePixelRatio(2);
        painted.fill(Qt::transparent);
        QPainter painter(&painted);
        m.trayIcon()->icon().paint(&painter, QRect(0, 0, 16, 16));
        painter.end();
        QCOMPARE(painted, m.trayIcon()->icon().pixmap(QSize(16, 16), 2.0).toImage().convertToFormat(painted.format()));
        const QString tip = texts[0].leftJustified(63, QLatin1Char('.'));  // shown whole; one more is cut
        modSystemTray::ModifyTrayIcon(*m.trayIcon(), QIcon(), tip + "!");
        QCOMPARE(m.trayIcon()->toolTip(), tip);
    }

    // A status that cannot be read, or a charge in no band, leaves what it would have written
    // as it was. The tray icon is reused within its band: a fresh one each time would grow
    // Qt's pixmap cache at every power event.
    void refreshesInARow() {
        ShellFixture f;
        f.putUser(regkeys::ControlCenter, "AC On", "1");
        f.power.failing = true;
        frmMain& m = f.load();
        qint64 icon = 0;
        const std::tuple<bool, std::int16_t, std::int16_t, QStringList> steps[] = {
            // failing, AC, percent; tooltip, labels, Tag
            {false, 0, 85, {"85%", "85%", "No Info", "Off", "1091"}},
            {true, 1, 85, {"85%", "85%", "No Info", "Off", "1091"}},
            {false, 0, 83, {"83%", "83%", "1:23", "Off", "1091"}},  // 2 points in 2 minutes
            {false, 0, 130, {"83%", "130%", "2:10", "Off", "0"}}};
        for (const auto& [failing, ac, percent, texts] : steps) {
            std::tie(f.power.failing, f.power.ac, f.power.percent) = std::tie(failing, ac, percent);
            f.clock.advanceMinutes(1);
            m.sysInfo_PowerStatusChanged();
            QCOMPARE(QStringList{m.trayIcon()->toolTip()} + Labels(f) + QStringList{m.sysInfo.Tag}, texts);
            if (!icon) icon = m.trayIcon()->icon().cacheKey();
            QCOMPARE(m.trayIcon()->icon().cacheKey(), icon);
        }
        QVERIFY(f.boxes.shown.empty());  // not "No battery detected!" nor a rule: nothing was known
    }

    // The engine's lines reach the program's log categories at their levels, where the user asked for them: a
    // refresh whose read fails leaves a warning.
    void engineLog() {
        QLoggingCategory::setFilterRules("voltara.settings.debug=true\nvoltara.power.warning=true");
        RouteEngineLog();
        QTest::ignoreMessage(QtDebugMsg, "a rate");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Refresh: the .+ stays as it was: "));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot read the power status: "));
        vlog::Debug(vlog::Area::Settings, "a rate");
        ShellFixture f;
        f.power.failing = true;
        f.load();
        ReadStatusReport(f.power, f.store);  // --status
        vlog::SetSink(nullptr);
        QLoggingCategory::setFilterRules({});
    }

#ifdef Q_OS_LINUX
    // Through XWayland in a Wayland session with an X server, unless the user chose a platform;
    // the "remove" message that ends a tray host's startup feedback, escaped, in 20-byte pieces.
    void desktopChoices() {
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        const std::tuple<const char*, const char*, const char*, const char*, bool> sessions[] = {
            {"wayland-0", ":0", nullptr, "-style", true},     {nullptr, ":0", nullptr, nullptr, false},
            {"wayland-0", nullptr, nullptr, nullptr, false},  {"wayland-0", ":0", "wayland", nullptr, false},
            {"wayland-0", ":0", nullptr, "-platform", false}, {"wayland-0", ":0", nullptr, "--platform", false}};
        for (const auto& [wayland, display, chosen, argument, xwayland] : sessions) {
            for (const auto& [name, value] : {std::pair{"WAYLAND_DISPLAY", wayland}, std::pair{"DISPLAY", display},
                                              std::pair{"QT_QPA_PLATFORM", chosen}})
                value ? qputenv(name, value) : qunsetenv(name);
            char* argv[] = {const_cast<char*>("voltara"), const_cast<char*>(argument), nullptr};
            QCOMPARE(desktop::RunThroughXWayland(argument ? 2 : 1, argv), xwayland);
        }
        qputenv("QT_QPA_PLATFORM", platform);
        QCOMPARE(desktop::StartupRemovePieces("a b\"c\\d_0123456789ABCDEFG"),
                 (std::vector<QByteArray>{"remove: ID=a\\ b\\\"c\\\\", QByteArray("d_0123456789ABCDEFG\0", 20)}));
    }
#endif

    // `voltara --status` shows the window's texts for the values of every real dump, with the
    // numbers behind them, and leaves the sample count alone where the window sets it back.
    void statusReportAgreesWithTheWindow() {
        ShellFixture f;
        f.putUser(regkeys::TimeCalc, "Data", "1.2");
        frmMain& m = f.load();
        std::stringstream dumps;  // and a charge above 100, which Windows' byte may hold: no percent
        dumps << std::ifstream(VOLTARA_TEST_DATA "/power_supply/expected.txt").rdbuf() << "-> 0 1 101 -1\n";
        int rows = 0;
        for (std::string line; std::getline(dumps, line);) {
            if (line.starts_with('#') || line.find("->") == std::string::npos) continue;
            std::istringstream(line.substr(line.find("->") + 2)) >> f.power.ac >> f.power.status >> f.power.percent >>
                f.power.lifeTime;
            f.putUser(regkeys::TimeCalc, "Count", "10000");
            const StatusReport report = ReadStatusReport(f.power, f.store);
            QCOMPARE(f.user(regkeys::TimeCalc, "Count"), QString("10000"));
            m.Progress();
            const QStringList l = Labels(f);
            const bool timed = l[1] != "Unknown", system = f.power.lifeTime != -1;
            QCOMPARE(f.user(regkeys::TimeCalc, "Count"), QString(timed && !system ? "9850" : "10000"));
            const QJsonObject expected{
                {"text", l.join(' ')},
                {"status", l[0]},
                {"time", l[1]},
                {"ac", l[2]},
                {"percent", f.power.percent <= 100 ? QJsonValue(f.power.percent) : QJsonValue()},
                {"seconds",
                 timed ? QJsonValue(system ? f.power.lifeTime : std::round(1.2 * f.power.percent) * 60) : QJsonValue()},
                {"source", timed ? QJsonValue(system ? "system" : "estimate") : QJsonValue()},
                {"on_mains", f.power.ac == 1},
                {"charging", l[2] == "Charging"},
                {"minutes_per_percent", 1.2},
                {"samples", 10000}};
            const std::string raw = StatusJson(report);
            QVERIFY(raw.starts_with("{\"text\":\"" + l.join(' ').toStdString() + "\","));  // as written, unescaped
            QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(raw)).object();
            json.remove("tooltip");  // the compact window's, by the same function
            QCOMPARE(json, expected);
            ++rows;
        }
        QVERIFY(rows > 15);
    }

    // Events that arrive while a box is up wait for it: one box at a time, each box's waiting
    // events folded into one more run. The real box shows the icon asked for. A second copy shows
    // only the guard's warning and writes nothing.
    void messageBoxes() {
        ShellFixture second;
        second.instance.another = true;
        second.boxes.whileOpen = [&](const FakeMessageBoxes::Box&) { second.main->close(); };  // the session ends
        QVERIFY(!second.make().Form_Load());
        QCOMPARE(second.boxes.shown.at(0).icon, MessageBoxes::Icon::Exclamation);
        QVERIFY(second.endCalls == 1 && !second.store.HasKey(reg::Hive::CurrentUser, regkeys::Window));
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
        QCOMPARE((QList<int>{f.boxes.maxOpen, int(f.boxes.shown.size())}), (QList<int>{1, 4}));
        f.power.ac = 1;
        m.sysInfo_PowerStatusChanged();
        QCOMPARE(f.boxes.shown.back().text, QString("AC Power is now On."));
        // The AC text the run left is the rule's only memory: the next run, nothing changed, shows nothing.
        const auto shown = f.boxes.shown.size();
        m.timRefresh_Timer();
        QCOMPARE(f.boxes.shown.size(), shown);
        for (const auto& box : f.boxes.shown)
            QVERIFY(box.title == "Voltara" && box.icon == MessageBoxes::Icon::Information && box.setForeground);
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool onTop = false;
        QTimer::singleShot(0, [&] {
            auto* box = static_cast<QMessageBox*>(QApplication::activeModalWidget());
            std::tie(icon, onTop) = std::pair(box->icon(), box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            box->accept();
        });
        QtMessageBoxes().Show(&m, "Voltara", "AC Power is now On.", MessageBoxes::Icon::Information, true);
        QVERIFY(icon == QMessageBox::Information && onTop);
    }

    // Exit and the close box end the program alike, storing the place of the normal window
    // and the on-top choice; a power event waiting meanwhile opens no box.
    void shutdown_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Exit while minimised") << false;
        QTest::newRow("close box") << true;
    }
    void shutdown() {
        QFETCH(bool, closeBox);
        ShellFixture f;
        f.putUser(regkeys::ControlCenter, "Low Warning Time", "15");
        f.putUser(regkeys::ControlCenter, "Percent Inform Percent", "80");
        for (const char* name : {"Percent Inform", "AC On"}) f.putUser(regkeys::ControlCenter, name, "1");
        f.putUser(regkeys::Window, "Always On Top", "True");
        frmMain& m = f.load();
        QVERIFY(m.sbjAlwaysOnTop->isChecked() && modTopMostWindow::IsTopMost(&m));
        const NotificationSettings& s = m.Settings;
        QVERIFY(s.LowWarningTime == 15 && s.PercentInformPercent == 80 && s.PercentInform && s.ACon && !s.ACoff);
        m.move(30, 40);
        m.sbjAlwaysOnTop_Click();
        if (!closeBox) m.showMinimized();
        QTRY_COMPARE(m.isVisible(), closeBox);
        f.power.ac = 1;
        QMetaObject::invokeMethod(
            &m, [&m] { Q_EMIT m.sysInfo.PowerStatusChanged(); }, Qt::QueuedConnection);
        closeBox ? void(m.close()) : m.sbjExit_Click();
        QVERIFY(f.boxes.shown.empty() && !m.isMinimized() && !m.trayIcon()->isVisible());
        const QString stored = f.user(regkeys::Window, "X") + f.user(regkeys::Window, "Y");
        QCOMPARE(stored + f.user(regkeys::Window, "Always On Top"), QString("450600False"));
        m.close();
        QCOMPARE(f.endCalls, 1);
    }

    // Minimised, the main window leaves the taskbar while the tray icon can bring it back,
    // and comes back in the normal state.
    void minimiseAndRestore_data() {
        QTest::addColumn<QList<int>>("desktop");  // a tray, that reports double clicks; compact; the click
        QTest::addColumn<bool>("shown");          // the main window afterwards
        QTest::newRow("XEmbed click") << QList<int>{1, 1, 0, QSystemTrayIcon::Trigger} << false;
        QTest::newRow("XEmbed double click") << QList<int>{1, 1, 0, QSystemTrayIcon::DoubleClick} << true;
        QTest::newRow("SNI click") << QList<int>{1, 0, 0, QSystemTrayIcon::Trigger} << true;
        QTest::newRow("SNI click, compact") << QList<int>{1, 0, 1, QSystemTrayIcon::Trigger} << false;
        QTest::newRow("SNI menu request") << QList<int>{1, 0, 0, QSystemTrayIcon::Context} << false;
        QTest::newRow("no tray") << QList<int>{0, 1, 0, QSystemTrayIcon::Context} << true;
    }
    void minimiseAndRestore() {
        QFETCH(QList<int>, desktop);
        QFETCH(bool, shown);
        ShellFixture f;
        std::tie(f.tray, f.trayDoubleClicks) = std::pair<bool, bool>(desktop[0], desktop[1]);
        frmMain& m = f.load();
        if (desktop[2]) m.sbjCompact_Click();
        m.showMinimized();
        QCoreApplication::processEvents();
        QCOMPARE(m.isVisible(), !f.tray);
        Q_EMIT m.trayIcon()->activated(QSystemTrayIcon::ActivationReason(desktop[3]));
        QCoreApplication::processEvents();
        QCOMPARE(m.isVisible(), shown);
        if (shown) QCOMPARE(m.isMinimized(), !f.tray);
        // Restored by the window manager: a window it still had shows normal; one the program
        // hid stays hidden (mutter reports a restore once the window is withdrawn).
        m.setWindowState(Qt::WindowNoState);
        QVERIFY(m.isVisible() == shown && !m.isMinimized());
#ifndef Q_OS_WIN  // Wine's X side may report the minimise again after the restore, when the machine is busy
        m.showMinimized();
        m.sbjFull_Click();  // before the window system has finished minimising: shown, normal
        QCoreApplication::processEvents();
        QVERIFY(m.isVisible() && !m.isMinimized());
#endif
    }

    // The strip closed by the window manager: as Full, never without a window; on top
    // survives the round trip.
    void displayModes() {
        ShellFixture f;
        frmMain& m = f.load();
        const auto choose = [](QAction* item) {  // from the menu, which ticks a checkable item first
            item->trigger();
            QCoreApplication::processEvents();
        };
        choose(m.sbjAlwaysOnTop);
        choose(m.sbjCompact);
        QPointer<frmProgress> strip = m.compactWindow();
        QVERIFY(strip && strip->isVisible() && modTopMostWindow::IsTopMost(strip));
        QCOMPARE(strip->imgIcon->pixmap().toImage(), Drawn(m.sysInfo.Tag.toInt()));  // at once, not at the next refresh
        strip->move(60, 60);
        // Dragged by its track with the left button, not the right; by itself where the window system
        // cannot move it (offscreen; on a desktop the window manager moves it, the end-to-end tests drag it).
        for (const auto button : {Qt::RightButton, Qt::LeftButton}) {
            if (QGuiApplication::platformName() != QLatin1String("offscreen")) break;
            const QPoint before = strip->pos(), from = QCursor::pos();
            QMouseEvent press(QEvent::MouseButtonPress, {}, from, button, button, {});
            QMouseEvent move(QEvent::MouseMove, {}, from + QPoint(20, 10), Qt::NoButton, button, {});
            QMouseEvent release(QEvent::MouseButtonRelease, {}, from + QPoint(20, 10), button, {}, {});
            for (QMouseEvent* e : {&press, &move, &release}) QCoreApplication::sendEvent(strip->picContainer, e);
            QCOMPARE(strip->pos() - before, button == Qt::LeftButton ? QPoint(20, 10) : QPoint());
        }
        QTest::mouseDClick(strip->imgIcon, Qt::RightButton);  // only a left double click on the icon ends
        QCOMPARE(f.endCalls, 0);
        const QString place = QString::number(strip->x() * 15), top = QString::number(strip->y() * 15);  // in twips
        strip->close();
        QVERIFY(m.sbjFull->isChecked() && !m.sbjCompact->isChecked() && m.isVisible());
        QCOMPARE(f.user(regkeys::Window, "Display") + f.user(regkeys::Window, "CompactX"), "0" + place);
        QCOMPARE(f.user(regkeys::Window, "CompactY"), top);
        QVERIFY(ShellFixture::gone(strip));
        QVERIFY(m.sbjAlwaysOnTop->isVisible() && modTopMostWindow::IsTopMost(&m));
        // Start with Windows on, then off: the program file beside the running one, in the
        // platform's Run key (Windows: the user's, quoted).
        const bool perUser = SystemRunEntryPlace() == RunEntryPlace::UserKey;
        const QString program = perUser ? R"("\opt\voltara\voltara.exe")" : "/opt/voltara/voltara";
        for (const QString& entry : {program, QString()}) {
            choose(m.sbjStartWithWindows);
            const auto hive = perUser ? reg::Hive::CurrentUser : reg::Hive::LocalMachine;
            QCOMPARE(QString::fromStdString(f.store.TextOf(hive, regkeys::Run, "Voltara")), entry);
            QCOMPARE(m.sbjStartWithWindows->isChecked(), !entry.isEmpty());
        }
        choose(m.sbjCompact);
        choose(m.sbjFull);
        QVERIFY(m.isVisible() && m.sbjFull->isChecked() && !m.sbjCompact->isChecked());
        choose(m.sbjCompact);
        QTest::mouseDClick(m.compactWindow()->imgIcon, Qt::LeftButton);
        QCOMPARE(f.endCalls, 1);
        QStringList items;  // in their order, with the separators between
        for (const QAction* item : m.mnuPopup->actions()) items << item->text().remove('&');
        QCOMPARE(items.join('|'), "Exit||Control Center||Compact|Full||Start with Windows|Always On Top||About");
        ShellFixture compact;  // started again in the display it ended in
        compact.putUser(regkeys::Window, "Display", "1");
        QVERIFY(compact.load().compactWindow() && !compact.main->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
