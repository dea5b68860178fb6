// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "IconResources.h"
#include "frmAbout.h"
#include "frmInfo.h"
#include "frmSetup.h"
#include "support/LayoutChecks.h"
#include "support/ShellFixture.h"

namespace {
const QString Leave99 = "Voltara: The range for low battery warning is between 1 and 99.";
const QString Inform = "Voltara: The range for percentage informing is between, and include, 1 and 100.";
const QStringList OkMessages = {"Voltara: The range for low battery warning percent is between 1 and 99.",
                                "Voltara: The range for low battery warning time is between 1 and 99.", Inform};
const QString Nothing = "<missing> <missing> <missing> <missing> <missing> <missing> / 0 0 0 0 0 0 / ";
const QString Address = "mailto:someone@quillfen.example; $(touch pwned) 'x'";  // for no shell to see

// The main window started on fakes, the Control Center opened from its menu.
struct Fixture : ShellFixture {
    QPointer<frmSetup> d;
    frmSetup* open() { return d = ShellFixture::open<frmSetup>(&frmMain::sbjControlCenter_Click); }
    QLineEdit* field(int i) const { return std::array{d->txtLowWarningPercent, d->txtLowWarningTime, d->txtPercentInform}[i]; }
    QCheckBox* box(int i) const { return std::array{d->chkPercentInform, d->chkACOff, d->chkACOn}[i]; }
    // The six values stored, the six settings applied, and the fields and boxes of the dialog.
    QString state() const {
        QStringList all;
        for (const char* name : {"Low Warning Percent", "Low Warning Time", "Percent Inform", "Percent Inform Percent",
                                 "AC Off", "AC On"})
            all << user(regkeys::ControlCenter, name);
        const NotificationSettings& s = main->Settings;
        all << "/" << QString::number(s.LowWarningPercent) << QString::number(s.LowWarningTime)
            << QString::number(s.PercentInform) << QString::number(s.PercentInformPercent) << QString::number(s.ACoff)
            << QString::number(s.ACon) << "/";
        for (int i = 0; i < 3; ++i) all << field(i)->text();
        for (int i = 0; i < 3; ++i) all << QString::number(box(i)->isChecked());
        return all.join(' ');
    }
    QStringList shown() const {  // title: text, marked where not an exclamation
        QStringList texts;
        for (const auto& b : boxes.shown)
            texts << b.title + ": " + b.text + (b.icon == MessageBoxes::Icon::Exclamation ? "" : " (icon)");
        return texts;
    }
};

bool WholeTextSelected(QLineEdit* field) {
    return field->hasFocus() && field->selectedText() == field->text() &&
           field->cursorPosition() == field->text().size();
}
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
#ifdef Q_OS_LINUX
        // The desktop's defaults start a fake browser that writes down its arguments, one a
        // line, and an end mark; the system's types are known, none of its programs.
        Write("bin/fakebrowser", "#!/bin/sh\n{ printf '%s\\n' \"$@\"; echo '-- end'; } >> '" +
                                     QFile::encodeName(Desk("arguments")) + "'\n");
        QFile::setPermissions(Desk("bin/fakebrowser"), QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray entry = "[Desktop Entry]\nType=Application\nName=Fake\nExec=fakebrowser %u\nMimeType=";
        Write("data/applications/fakebrowser.desktop", entry + "text/html;\n");
        Write("data/applications/fakemail.desktop", entry + "x-scheme-handler/mailto;\n");
        Write("config/mimeapps.list",
              "[Default Applications]\ntext/html=fakebrowser.desktop\nx-scheme-handler/mailto=fakemail.desktop\n");
        Write("page.HTM", "\"<HTML> <\\HTML>\"\r\n");
        QDir().mkpath(Desk("share"));
        QFile::link("/usr/share/mime", Desk("share/mime"));
        qputenv("XDG_DATA_HOME", Desk("data").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", Desk("share").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", Desk("config").toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", Desk("config").toLocal8Bit());
        qputenv("PATH", Desk("bin").toLocal8Bit() + ":" + qgetenv("PATH"));
#endif
    }

    // A leave check runs as the focus moves on to another element of the dialog.
    void leaveCheck_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("percent 99") << 0 << "99" << Leave99;
        QTest::newRow("percent emptied: 10") << 0 << "" << QString();
        QTest::newRow("minutes 0") << 1 << "0" << Leave99;
        QTest::newRow("minutes one half") << 1 << ".5" << QString();
        QTest::newRow("percentage 101") << 2 << "101" << Inform;
        QTest::newRow("percentage 1") << 2 << "1" << QString();
        QTest::newRow("percentage emptied: the box freezes") << 2 << "" << QString();
    }
    void leaveCheck() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Fixture f;
        QVERIFY(f.open());
        f.d->chkPercentInform->click();
        f.field(field)->setFocus();
        f.field(field)->setText(typed);
        QTest::keyClick(f.field(field), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(f.field(field)->text(), typed.isEmpty() && field < 2 ? "10" : typed);
        QCOMPARE(f.shown(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(WholeTextSelected(f.field(field)), !message.isEmpty());
        QCOMPARE(f.d->chkPercentInform->isEnabled(), !(field == 2 && typed.isEmpty()));
    }

    // Ok on a registry only start-up has written to. Each box ticked alone must land in its own
    // setting and value; what is stored shows at the next opening.
    void ok_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("ticks");    // Percent Inform, AC Off, AC On
        QTest::addColumn<int>("refused");  // the field Ok refuses, or -1
        QTest::addColumn<QString>("after");
        QTest::newRow("percent first") << "0 0 0" << 0b100 << 0 << Nothing + "0 0 0 1 0 0";
        QTest::newRow("99") << "99 10 10" << 0b000 << 0 << Nothing + "99 10 10 0 0 0";
        QTest::newRow("minutes") << "98 -5 0" << 0b100 << 1 << Nothing + "98 -5 0 1 0 0";
        QTest::newRow("101") << "10 10 101" << 0b100 << 2 << Nothing + "10 10 101 1 0 0";
        QTest::newRow("emptied") << "10 10 " << 0b100 << 2 << Nothing + "10 10 0 1 0 0";
        QTest::newRow("informing") << ".5 5x 01" << 0b100 << -1 << ".5 5 1 1 0 0 / 0 5 1 1 0 0 / 10 5 1 1 0 0";
        // Informing off, any percentage passes; one beyond 16 bits is held as 0, as read back.
        QTest::newRow("AC off") << "98 1 9E9" << 0b010 << -1 << "98 1 0 9000000000 1 0 / 98 1 0 0 1 0 / 98 1 10 0 1 0";
        QTest::newRow("AC on") << "1 98 100" << 0b001 << -1 << "1 98 0 100 0 1 / 1 98 0 100 0 1 / 1 98 100 0 0 1";
    }
    void ok() {
        QFETCH(QString, typed);
        QFETCH(int, ticks);
        QFETCH(int, refused);
        Fixture f;
        QVERIFY(f.open());
        for (int i = 0; i < 3; ++i) {
            f.box(i)->setChecked(ticks & (4 >> i));
            f.field(i)->setText(typed.section(' ', i, i));
        }
        QTest::keyClick(f.d->txtLowWarningPercent, Qt::Key_Return);  // Enter in a field: Ok, no leave check
        QCOMPARE(f.shown(), refused < 0 ? QStringList() : QStringList{OkMessages[refused]});
        QCOMPARE(ShellFixture::gone(f.d), refused < 0);
        if (refused < 0) QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
        QVERIFY(refused < 0 ? f.open() != nullptr : WholeTextSelected(f.field(refused)));
        QTEST(f.state(), "after");
        QCOMPARE(f.d->txtPercentInform->isEnabled() && f.d->lblPrompt[2]->isEnabled(), bool(ticks & 4));
        QCOMPARE(f.d->windowIcon().pixmap(16).toImage(), ControlCenterIcon().pixmap(16).toImage());
        QCOMPARE(CutTexts(f.d), QStringList());
    }

    // A click takes the focus before it clicks: a refused field keeps it, and the click on Ok is
    // dropped. Cancel takes the focus unchecked; neither it nor Escape keeps anything.
    void controlCenterClicks() {
        Fixture f;
        QVERIFY(f.open());
        f.d->chkACOn->click();
        QTest::keyClicks(f.d->txtLowWarningPercent, "99");
        QTest::mouseClick(f.d->cmdFinish, Qt::LeftButton);
        QCoreApplication::processEvents();
        QTest::mouseClick(f.d->cmdCancel, Qt::LeftButton);
        QVERIFY(ShellFixture::gone(f.d) && f.open());
        QTest::keyClick(f.d->txtLowWarningTime, Qt::Key_Escape);
        QVERIFY(ShellFixture::gone(f.d) && f.open());
        QCOMPARE(f.shown(), QStringList{Leave99});
        QCOMPARE(f.state(), Nothing + "10 10 10 0 0 0");
    }

    // Start-up waits for the welcome dialog, which Escape leaves open; Ok stores that it was
    // seen, in a key it makes, and brings the main window forward, not made topmost.
    void welcome() {
        Fixture f;
        f.store.DeleteKey(reg::Hive::CurrentUser, regkeys::Setting);
        f.power.status = 128;  // no battery: start-up goes on to say so
        QStringList meanwhile;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* info = qobject_cast<frmInfo*>(QApplication::activeModalWidget());
            if (!info) return;
            poll.stop();
            QTest::keyClick(info, Qt::Key_Escape);
            meanwhile << f.shown() << f.user(regkeys::Setting, "Show Info") << CutTexts(info)
                      << QString::number(info->windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowTitleHint), 16);
            QTest::mouseClick(info->cmdOK, Qt::LeftButton);
        });
        poll.start(10);
        f.load();
        QCOMPARE(meanwhile, (QStringList{"<missing>", QString::number(Qt::WindowStaysOnTopHint, 16)}));
        QCOMPARE(f.user(regkeys::Setting, "Show Info"), QString("No"));
        QCOMPARE(f.boxes.texts(), QStringList{"No battery detected!"});
        QVERIFY(!f.main->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
    }

    // Closing brings the main window forward, or leaves it hidden in compact display.
    void about() {
        Fixture f;
        QPointer<frmAbout> d = f.ShellFixture::open<frmAbout>(&frmMain::sbjAbout_Click);
        QVERIFY(d);
        QCOMPARE((QStringList{d->windowTitle(), d->lblTitle->text(), d->lblVersion->text()}),
                 (QStringList{"About Voltara", "Voltara", "Version 2.0.0"}));
        QCOMPARE((QList{d->picIcon->pixmap().deviceIndependentSize().toSize(), d->picIcon->contentsRect().size()}),
                 QList<QSize>(2, QSize(32, 32)));
        QCOMPARE(d->lblEmail->cursor().hotSpot(), QPoint(4, 0));
        QCOMPARE(CutTexts(d), QStringList());
        QCOMPARE(f.ShellFixture::open<frmAbout>(&frmMain::sbjAbout_Click), d.data());  // again: the same one
        QTest::keyClick(d, Qt::Key_Return);
        QVERIFY(ShellFixture::gone(d));
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
        f.main->sbjCompact_Click();
        QVERIFY(d = f.ShellFixture::open<frmAbout>(&frmMain::sbjAbout_Click));
        d->close();
        QVERIFY(ShellFixture::gone(d) && !f.main->isVisible());
    }

    void link_data() {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QString>("browser");  // what the lookup finds
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QString>("message");
        const QString b = "/usr/bin/fakebrowser", none = "Browser Not Found: Could not find default ";
        const QString failed = "URL Failed: Attemp failed. ";
        QTest::newRow("home page") << false << b << true << QString();
        QTest::newRow("home page, no browser") << false << "" << true << none + "Internet Browser";
        QTest::newRow("home page, start fails")
            << false << b << false << failed + "Homepage https://voltara.quillfen.example/ cannot be opened";
        QTest::newRow("mail") << true << b << true << QString();
        QTest::newRow("mail, no browser") << true << "" << true << none + "E-mail program";
        QTest::newRow("mail, start fails") << true << b << false << failed + "Default E-mail program cannot be opened";
    }
    // A link looks the browser up by a private document, deleted once any box is closed.
    void link() {
        QFETCH(bool, mail);
        QFETCH(QString, browser);
        QFETCH(bool, starts);
        QFETCH(QString, message);
        Fixture f;
        QTemporaryDir temp;
        auto* d = f.ShellFixture::open<frmAbout>(&frmMain::sbjAbout_Click);
        QVERIFY(d);
        d->setLauncher(f.launcher, temp.path());
        f.launcher.browser = browser;
        f.launcher.startSucceeds = starts;
        QStringList left;  // in the folder while a box is open, and after
        f.boxes.whileOpen = [&](const FakeMessageBoxes::Box&) { left = QDir(temp.path()).entryList(QDir::Files); };
        QTest::mouseClick(mail ? d->lblEmail : d->lblWebsite, Qt::LeftButton);
        left << QDir(temp.path()).entryList(QDir::Files);
        const QString document = QFileInfo(f.launcher.lookups.value(1)).fileName();
        QVERIFY(document.endsWith(".HTM"));
        QCOMPARE(f.launcher.lookups, (QStringList{mail ? "FindMailProgram" : "FindExecutable", temp.filePath(document),
                                                  "0", "\"<HTML> <\\HTML>\"\r\n"}));
        QCOMPARE(left, message.isEmpty() ? QStringList() : QStringList{document});
        const QString argument = mail ? "mailto:voltara@quillfen.example" : "voltara.quillfen.example/";
        QCOMPARE(f.launcher.started,
                 (browser.isEmpty() ? QStringList() : QStringList{browser, argument, QString::number(d->winId())}));
        QCOMPARE(f.shown(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(d->isVisible());
    }

    void launcher_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("arguments");  // what the fake browser gets; empty: nothing starts
        QTest::newRow("url") << "fakebrowser --new-window %u" << QStringList{"--new-window", Address};
        QTest::newRow("no field code") << "fakebrowser" << QStringList{Address};
        QTest::newRow("files only") << "fakebrowser %F" << QStringList{Address};
        QTest::newRow("program missing") << "no-such-browser %u" << QStringList();
    }
    // The platform launcher finds the desktop's default entries, not their programs, which
    // would miss their wrappers; it gives the address to the entry's program once, as it is.
    void launcher() {
#ifndef Q_OS_LINUX
        QSKIP("a Linux desktop");
#endif
        QFETCH(QString, exec);
        QFETCH(QStringList, arguments);
        const std::unique_ptr<Launcher> launcher = MakeLauncher();
        QCOMPARE(launcher->FindExecutable(Desk("page.HTM")), Desk("data/applications/fakebrowser.desktop"));
        QCOMPARE(launcher->FindMailProgram(Desk("page.HTM")), Desk("data/applications/fakemail.desktop"));
        QCOMPARE(launcher->FindExecutable(Desk("missing.HTM")), QString());
        Write("entries/browser.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=" + exec.toUtf8() + "\n");
        QFile::remove(Desk("arguments"));
        QCOMPARE(launcher->Start(Desk("entries/browser.desktop"), Address, 0), !arguments.isEmpty());
        const auto written = [&] {
            QFile file(Desk("arguments"));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        QTRY_COMPARE(written(), arguments.isEmpty() ? QString() : arguments.join('\n') + "\n-- end\n");
        QVERIFY(!QFile::exists("pwned"));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
