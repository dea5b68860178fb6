// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "IconResources.h"
#include "frmAbout.h"
#include "frmInfo.h"
#include "frmProgress.h"
#include "frmSetup.h"
#include "modTopMostWindow.h"
#include "support/LayoutChecks.h"
#include "support/ShellFixture.h"

namespace {
const QStringList Messages = {"", "Voltara: The range for low battery warning is between 1 and 99.",
                              "Voltara: The range for low battery warning percent is between 1 and 99.",
                              "Voltara: The range for low battery warning time is between 1 and 99.",
                              "Voltara: The range for percentage informing is between, and include, 1 and 100."};
const QString Nothing = "<missing> <missing> <missing> <missing> <missing> <missing> / 0 0 0 0 0 0 / ";

struct Fixture : ShellFixture {
    QPointer<frmSetup> d;
    frmSetup* open() { return d = ShellFixture::open<frmSetup>(&frmMain::sbjControlCenter_Click); }
    // In the order they are made: percent, minutes, percentage; Percent Inform, AC Off, AC On.
    QLineEdit* field(int i) const { return d->findChildren<QLineEdit*>().value(i); }
    QCheckBox* box(int i) const { return d->findChildren<QCheckBox*>().value(i); }
    bool selected(int i) const { return field(i)->hasFocus() && field(i)->selectedText() == field(i)->text(); }
    // The six values stored, the six settings applied, and the dialog's fields and boxes (x: disabled).
    QString state() const {
        const NotificationSettings& s = main->Settings;
        QStringList all{"/", QString::asprintf("%d %d %d %d %d %d /", s.LowWarningPercent, s.LowWarningTime,
                                               s.PercentInform, s.PercentInformPercent, s.ACoff, s.ACon)};
        for (const char* name :
             {"AC On", "AC Off", "Percent Inform Percent", "Percent Inform", "Low Warning Time", "Low Warning Percent"})
            all.prepend(user(regkeys::ControlCenter, name));
        for (int i = 0; i < 3; ++i) all << field(i)->text();
        for (int i = 0; i < 3; ++i) all << QString::number(box(i)->isChecked()) + (box(i)->isEnabled() ? "" : "x");
        return all.join(' ');
    }
    QStringList shown() const {  // title: text, marked where not an exclamation
        QStringList texts;
        for (const auto& b : boxes.shown)
            texts << b.title + ": " + b.text + (b.icon == MessageBoxes::Icon::Exclamation ? "" : " (icon)");
        return texts;
    }
};
}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir desk_;  // a made-up desktop in private XDG folders
    QString Desk(const QString& name) const { return desk_.filePath(name); }
    void Write(const QString& name, const QByteArray& contents) const {
        QFile file(Desk(name));
        if (QDir().mkpath(QFileInfo(file).absolutePath()) && file.open(QIODevice::WriteOnly)) file.write(contents);
    }

private Q_SLOTS:
    void initTestCase() {
        // A theme's text colour other than black, and a colour of menus no window has by itself.
        QApplication::setPalette(QPalette(Qt::white, QColor(4, 5, 6)));
        QPalette menus;
        menus.setColor(QPalette::Button, QColor(1, 2, 3));
        QApplication::setPalette(menus, "QMenu");
#ifdef Q_OS_LINUX
        // The desktop's defaults start a fake browser that writes down its arguments, one a line,
        // and an end mark: the web one takes files only (%F), the mail one no field code.
        Write("fakebrowser", "#!/bin/sh\n{ printf '%s\\n' \"$@\"; echo '-- end'; } >> '" +
                                 QFile::encodeName(Desk("arguments")) + "'\n");
        const QByteArray entry =
            "[Desktop Entry]\nType=Application\nName=Fake\nExec=sh " + QFile::encodeName(Desk("fakebrowser"));
        Write("data/applications/fakebrowser.desktop", entry + " --new-window %F\nMimeType=text/html;\n");
        Write("data/applications/fakemail.desktop", entry + "\nMimeType=x-scheme-handler/mailto;\n");
        Write("config/mimeapps.list",
              "[Default Applications]\ntext/html=fakebrowser.desktop\nx-scheme-handler/mailto=fakemail.desktop\n");
        qputenv("XDG_DATA_HOME", Desk("data").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", Desk("config").toLocal8Bit());
#endif
    }

    // The Control Center on a registry only start-up has written to: its fields and boxes filled
    // in, then Tab out of a field (its leave check), or Enter (Ok, with no leave check).
    // Each box ticked alone must land in its own setting and value, shown when it opens again.
    void controlCenter_data() {
        QTest::addColumn<QString>("typed");  // the three fields, then Percent Inform, AC Off, AC On
        QTest::addColumn<int>("key");        // the field left with Tab, or -1: Enter, -2: a click on Cancel
        QTest::addColumn<int>("message");
        QTest::addColumn<QString>("after");  // stored / applied / shown, or shown with nothing kept
        QTest::newRow("leave 99") << "99 10 10 100" << 0 << 1 << "99 10 10 1 0 0";
        QTest::newRow("leave minutes 0") << "10 0 10 100" << 1 << 1 << "10 0 10 1 0 0";
        QTest::newRow("leave 101") << "10 10 101 100" << 2 << 4 << "10 10 101 1 0 0";
        QTest::newRow("leave emptied: box frozen") << "10 10  100" << 2 << 0 << "10 10  1x 0 0";
        QTest::newRow("leave percent emptied: 10") << " 20 30 100" << 0 << 0 << "10 20 30 1 0 0";
        QTest::newRow("Cancel: 99 thrown away") << "99 10 10 100" << -2 << 0 << "10 10 10 0 0 0";
        QTest::newRow("Ok: 99 first") << "99 0 0 100" << -1 << 2 << "99 0 0 1 0 0";
        QTest::newRow("Ok: minutes") << "98 -55 0 100" << -1 << 3 << "98 -5 0 1 0 0";  // 2 characters at most
        QTest::newRow("Ok: 2 digits") << "123 10 10 100" << -1 << 0
                                      << "12 10 1 10 0 0 / 12 10 1 10 0 0 / 12 10 10 1 0 0";
        QTest::newRow("Ok: emptied") << "10 10  100" << -1 << 4 << "10 10 0 1 0 0";
        QTest::newRow("Ok: informing") << ".5 5x 01 100" << -1 << 0 << ".5 5 1 1 0 0 / 0 5 1 1 0 0 / 10 5 1 1 0 0";
        // Informing off, any percentage passes; one beyond 16 bits is held as 0, as read back.
        QTest::newRow("AC off") << "98 1 9E9 010" << -1 << 0 << "98 1 0 9000000000 1 0 / 98 1 0 0 1 0 / 98 1 10 0 1 0";
        QTest::newRow("AC on") << "1 98 1000 001" << -1 << 0 << "1 98 0 100 0 1 / 1 98 0 100 0 1 / 1 98 100 0 0 1";
    }
    void controlCenter() {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, message);
        QFETCH(QString, after);
        Fixture f;
        QVERIFY(f.open());
        f.box(0)->click();  // informing on while typing
        for (int i = 0; i < 3; ++i) QTest::keyClicks(f.field(i), "\b\b\b" + typed.section(' ', i, i));  // erased, typed
        for (int i = 0; i < 3; ++i) f.box(i)->setChecked(typed.section(' ', 3)[i] == '1');
        QTest::keyClick(f.d, "ITF"[qMax(key, 0)], Qt::AltModifier);  // the label's access key: its field
        if (key == -2) {  // Cancel pressed, and let go a moment later, as by hand
            QTest::mousePress(f.d->cmdCancel, Qt::LeftButton);
            QCoreApplication::processEvents();
            QTest::mouseRelease(f.d->cmdCancel, Qt::LeftButton);
        } else {
            QTest::keyClick(f.field(qMax(key, 0)), key < 0 ? Qt::Key_Return : Qt::Key_Tab);
        }
        QCoreApplication::processEvents();
        QCOMPARE(f.shown(), message ? QStringList{Messages[message]} : QStringList());
        QCOMPARE(ShellFixture::gone(f.d), key < 0 && !message);
        if (!f.d) QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
        QVERIFY(f.d ? !message || f.selected(key >= 0 ? key : message - 2) : f.open() != nullptr);  // the refused field
        QCOMPARE(f.state(), (after.contains('/') ? "" : Nothing) + after);
        QCOMPARE(f.d->txtPercentInform->isEnabled() && f.d->lblPrompt[2]->isEnabled(), f.box(0)->isChecked());
        QCOMPARE(f.d->windowIcon().pixmap(16).toImage(), ControlCenterIcon().pixmap(16).toImage());
    }

    // It opens showing what is stored where it is in range (99 and 99 minutes at most, up to 100 %),
    // else 10. Ok relies on start-up's key: with the key deleted meanwhile it stores nothing and
    // makes no key, while the settings in memory still change.
    void controlCenterWithoutItsKey() {
        for (const QString row : {"99 100 100 -> 99 10 100", "100 99 101 -> 10 99 10"}) {  // stored -> shown
            Fixture g;
            for (int i = 0; i < 3; ++i)
                g.putUser(regkeys::ControlCenter,
                          std::array{"Low Warning Percent", "Low Warning Time", "Percent Inform Percent"}[i],
                          qPrintable(row.section(' ', i, i)));
            QVERIFY(g.open());
            QCOMPARE(QStringList({g.field(0)->text(), g.field(1)->text(), g.field(2)->text()}).join(' '),
                     row.section(" -> ", 1));
        }
        Fixture f;
        QVERIFY(f.open());
        for (int i : {1, 0}) QTest::mouseClick(f.field(i), Qt::LeftButton);  // a click into the first field selects
        QTRY_VERIFY(f.selected(0) && !f.field(2)->hasSelectedText());        // its text, after the caret is placed
        f.store.DeleteKey(reg::Hive::CurrentUser, regkeys::ControlCenter);
        for (int i = 0; i < 2; ++i) f.field(i)->setText("10");
        f.box(2)->setChecked(true);
        QTest::keyClick(f.field(0), Qt::Key_Return);
        QVERIFY(ShellFixture::gone(f.d));
        QVERIFY(f.main->Settings.ACon && !f.store.HasKey(reg::Hive::CurrentUser, regkeys::ControlCenter));
    }

    // Each window as its user meets it (the relations in tests/data/layouts.txt), and every text whole.
    // Escape leaves the welcome dialog open; Ok stores that it was seen, in a key it makes, and
    // brings the main window forward.
    void layouts_data() {
        QTest::addColumn<QStringList>("relations");
        QFile table(VOLTARA_TEST_DATA "/layouts.txt");
        QVERIFY(table.open(QIODevice::ReadOnly | QIODevice::Text));
        QMap<QString, QStringList> windows;
        QString window;
        for (const QString& line : QString::fromUtf8(table.readAll()).split('\n', Qt::SkipEmptyParts)) {
            if (line.endsWith(':'))
                window = line.chopped(1);
            else if (!line.startsWith('#'))
                windows[window] << line.trimmed();
        }
        for (auto it = windows.cbegin(); it != windows.cend(); ++it) QTest::newRow(qPrintable(it.key())) << it.value();
        QCOMPARE(windows.size(), 5);
    }
    void layouts() {
        QFETCH(QStringList, relations);
        Fixture f;
        frmMain& m = f.load();
        const QString name = QTest::currentDataTag();
        for (int i = 0; i < 3; ++i) m.lblDisplay[i]->setText(QStringList{"No Battery", "12:34:56", "Charging"}[i]);
        frmInfo info(&m, f.registry, *m.sbjAlwaysOnTop);
        QWidget* w = name == "frmSetup"      ? f.open()
                     : name == "frmAbout"    ? f.ShellFixture::open<frmAbout>(&frmMain::sbjAbout_Click)
                     : name == "frmInfo"     ? &info
                     : name == "frmProgress" ? static_cast<QWidget*>((m.sbjCompact_Click(), m.compactWindow()))
                                             : &m;
        QVERIFY(w && info.cmdOK->isDefault());  // the welcome dialog's default button, before it shows
        w->show();
        QCOMPARE(Broken(w, relations).join(", "), QString());
        QCOMPARE(CutTexts(w), QStringList());
        // Each window in its own small font, whatever the desktop's; all but About (and the strip's track) in the
        // colour of menus, not that of windows; a charge bar in the highlight colour.
        if (name != "frmProgress") QCOMPARE(w->font().pointSizeF(), 8.25);
        const QWidget* painted = name == "frmProgress" ? w->findChild<QWidget*>("picContainer") : w;
        QCOMPARE(painted->palette().color(QPalette::Window) == QColor(1, 2, 3), name != "frmAbout");
        if (auto* bar = w->findChild<QWidget*>("picProgress"))
            QVERIFY(bar->palette().window() == bar->palette().brush(QPalette::Active, QPalette::Highlight));
        if (w != &info) return;
        f.store.DeleteKey(reg::Hive::CurrentUser, regkeys::Setting);
        QVERIFY(QTest::qWaitForWindowActive(&info));
        QTest::keyClick(&info, Qt::Key_Escape);
        QVERIFY(info.isVisible() && modTopMostWindow::IsTopMost(&info) &&
                !info.windowFlags().testFlag(Qt::WindowTitleHint) && info.lblBoldPrompt->font().bold());
        for (QLabel* text : {info.lblBoldPrompt, info.lblPrompt})  // black, whatever the theme's text colour; centred
            QVERIFY(text->palette().windowText() == Qt::black && (text->alignment() & Qt::AlignHCenter));
        QTest::keyClick(&info, Qt::Key_Return);  // the dialog's default button
        QCOMPARE(f.user(regkeys::Setting, "Show Info"), QString("No"));
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
    }

    void about_data() {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QString>("browser");  // what the lookup finds; "desktop": the made-up one's
        QTest::addColumn<QString>("message");
        const QString b = "/usr/bin/fakebrowser", none = "Browser Not Found: Could not find default ";
        const QString fail = "URL Failed: Attemp failed. ";
        QTest::newRow("home page") << false << "desktop" << QString();
        QTest::newRow("web, no browser") << false << "" << none + "Internet Browser";
        QTest::newRow("web, fails") << false << b
                                    << fail + "Homepage https://voltara.quillfen.example/ cannot be opened";
        QTest::newRow("mail") << true << "desktop" << QString();
        QTest::newRow("mail, no browser") << true << "" << none + "E-mail program";
        QTest::newRow("mail, fails") << true << b << fail + "Default E-mail program cannot be opened";
    }
    // A link looks up the default entry by a private document and starts it with the address,
    // its Exec line rewritten to take one; the dialog stays open. Enter closes it and brings the
    // main window forward.
    void about() {
        QFETCH(bool, mail);
        QFETCH(QString, browser);
        QFETCH(QString, message);
#ifndef Q_OS_LINUX
        if (browser == "desktop") QSKIP("a Linux desktop");
#endif
        Fixture f;
        QPointer<frmAbout> d = f.ShellFixture::open<frmAbout>(&frmMain::sbjAbout_Click);
        QVERIFY(d);
        QCOMPARE(d->picIcon->pixmap().deviceIndependentSize().toSize(), d->picIcon->contentsRect().size());
        const QImage icon = d->picIcon->pixmap().toImage();  // the 32-pixel design, not the 16-pixel one blown up
        QCOMPARE(icon, ReadImageResource(":/icons/voltara.png", "png").convertToFormat(icon.format()));
        QCOMPARE(d->windowIcon().pixmap(16).toImage(), QImage(":/icons/voltara-16.png").convertToFormat(icon.format()));
        // Its texts; the title dark blue, the links blue and underlined on light blue, the maker in bold; what a
        // screen reader says; the icon's sunken border, the address from the top of its lines.
        const auto colour = [](QLabel* l, QPalette::ColorRole role) { return l->palette().color(role).name(); };
        QCOMPARE(
            (QStringList{d->windowTitle(), d->lblTitle->text(), d->lblVersion->text(),
                         colour(d->lblTitle, QPalette::WindowText), colour(d->lblEmail, QPalette::WindowText),
                         colour(d->lblWebsite, QPalette::Window), QString::number(d->lblEmail->font().underline()),
                         QString::number(d->lblInfo[0]->font().bold()), d->lblEmail->accessibleDescription(),
                         QString::number(d->lblTitle->font().pointSize()), QString::number(d->picIcon->lineWidth()),
                         QString::number(d->lblInfo[1]->alignment(), 16), d->lblVersion->accessibleName()}),
            (QStringList{"About Voltara", "Voltara", "Version 2.0.0", "#0000c0", "#0000ff", "#c0c0ff", "1", "1",
                         "Writes a message to the maker", "12", "2", "21", "Version 2.0.0"}));
        const std::unique_ptr<Launcher> desktop = MakeLauncher();
        d->setLauncher(browser == "desktop" ? *desktop : f.launcher, desk_.path());
        f.launcher.browser = browser;
        QFile::remove(Desk("arguments"));
        QTest::mouseClick(mail ? d->lblEmail : d->lblWebsite, Qt::LeftButton);
        const auto written = [&] {
            QFile file(Desk("arguments"));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        QTRY_COMPARE(written(), browser != "desktop" ? QString()
                                : mail               ? "mailto:voltara@quillfen.example\n-- end\n"
                                                     : "--new-window\nvoltara.quillfen.example/\n-- end\n");
        QStringList lookup{mail ? "FindMailProgram" : "FindExecutable", Desk("*.HTM"), "0", "\"<HTML> <\\HTML>\"\r\n"};
#ifdef Q_OS_WIN
        lookup.removeAt(2);  // no Unix access bits
#endif
        QCOMPARE(f.launcher.lookups, browser == "desktop" ? QStringList() : lookup);
        QCOMPARE(f.shown(), message.isEmpty() ? QStringList() : QStringList{message});
        QTest::keyClick(d, Qt::Key_Return);
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
