// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "Launcher.h"

// The platform launcher on a desktop made up for the test (private XDG folders): desktop
// entries of the shapes distributions ship, each starting a fake browser that writes down
// the arguments it was started with.
class LauncherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void findsTheDesktopsDefaults();
    void startsTheEntryWithTheAddressOnce_data();
    void startsTheEntryWithTheAddressOnce();

private:
    static void Write(const QString& path, const QByteArray& contents) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QString path(const QString& name) const { return desktop_.filePath(name); }

    QTemporaryDir desktop_;
    std::unique_ptr<Launcher> launcher_;
};

void LauncherTest::initTestCase() {
#ifndef Q_OS_LINUX
    QSKIP("The made-up desktop is a Linux one");
#endif
    QVERIFY(desktop_.isValid());
    // Each start adds its arguments, one a line, and an end mark.
    Write(path("bin/fakebrowser"),
          "#!/bin/sh\n{ printf '%s\\n' \"$@\"; echo '-- end'; } >> '" + QFile::encodeName(path("arguments")) + "'\n");
    QFile::setPermissions(path("bin/fakebrowser"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // A snap's program is a link to snap itself; a Flatpak's is flatpak.
    QDir().mkpath(path("bin/snap/bin"));
    QVERIFY(QFile::link(path("bin/fakebrowser"), path("bin/snap/bin/firefox")));
    QVERIFY(QFile::link(path("bin/fakebrowser"), path("bin/flatpak")));
    const QByteArray entry = "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + path("bin/fakebrowser").toUtf8();
    Write(path("data/applications/fakebrowser.desktop"), entry + " %u\nMimeType=text/html;x-scheme-handler/http;\n");
    Write(path("data/applications/fakemail.desktop"), entry + " %u\nMimeType=x-scheme-handler/mailto;\n");
    Write(path("config/mimeapps.list"),
          "[Default Applications]\ntext/html=fakebrowser.desktop\nx-scheme-handler/mailto=fakemail.desktop\n");
    // The system's type database, but none of its programs.
    QDir().mkpath(path("share"));
    QVERIFY(QFile::link("/usr/share/mime", path("share/mime")));
    qputenv("XDG_DATA_HOME", path("data").toLocal8Bit());
    qputenv("XDG_DATA_DIRS", path("share").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", path("config").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", path("config").toLocal8Bit());
    qputenv("PATH", path("bin").toLocal8Bit() + ":" + qgetenv("PATH"));
    launcher_ = MakeLauncher();
}

// What a launch starts is the desktop entry: its program alone misses its wrappers.
void LauncherTest::findsTheDesktopsDefaults() {
    const QString document = path("temphtm-abc123.HTM");
    Write(document, "\"<HTML> <\\HTML>\"\r\n");
    QCOMPARE(launcher_->FindExecutable(document), path("data/applications/fakebrowser.desktop"));
    QCOMPARE(launcher_->FindMailProgram(document), path("data/applications/fakemail.desktop"));

    // Nothing registered, or no document to look at.
    const QString picture = path("picture.png");
    Write(picture, QByteArray("\x89PNG\r\n\x1a\n", 8));
    QCOMPARE(launcher_->FindExecutable(picture), QString());
    QCOMPARE(launcher_->FindExecutable(path("no such file.HTM")), QString());
}

void LauncherTest::startsTheEntryWithTheAddressOnce_data() {
    QTest::addColumn<QString>("exec");           // <bin> stands for the folder of the fake programs
    QTest::addColumn<QStringList>("arguments");  // what the fake browser gets; empty: nothing starts
    // No shell sees the address: its blanks, quotes and $( ) stay as they are.
    const QString a = "mailto:someone@quillfen.example; $(touch pwned) 'x'";
    QTest::newRow("plain") << "<bin>/fakebrowser %u" << QStringList{a};
    QTest::newRow("env wrapper") << "env MOZ_ENABLE_WAYLAND=1 fakebrowser %u" << QStringList{a};
    QTest::newRow("snap") << "env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/firefox_firefox.desktop "
                             "<bin>/snap/bin/firefox %u"
                          << QStringList{a};
    QTest::newRow("flatpak") << "flatpak run --branch=stable --arch=x86_64 --command=firefox --file-forwarding "
                                "org.mozilla.firefox @@u %u @@"
                             << QStringList{"run",
                                            "--branch=stable",
                                            "--arch=x86_64",
                                            "--command=firefox",
                                            "--file-forwarding",
                                            "org.mozilla.firefox",
                                            "@@u",
                                            a,
                                            "@@"};
    QTest::newRow("no field code") << "fakebrowser" << QStringList{a};
    QTest::newRow("files only") << "fakebrowser --new-window %F" << QStringList{"--new-window", a};
    QTest::newRow("program missing") << "<bin>/no-such-browser %u" << QStringList();
}

void LauncherTest::startsTheEntryWithTheAddressOnce() {
    QFETCH(QString, exec);
    QFETCH(QStringList, arguments);
    const QString entry = path("entries/browser.desktop");
    Write(entry, "[Desktop Entry]\nType=Application\nName=Browser\nExec=" +
                     exec.replace("<bin>", path("bin")).toUtf8() + "\n");
    QFile::remove(path("arguments"));

    const QString address = "mailto:someone@quillfen.example; $(touch pwned) 'x'";
    QCOMPARE(launcher_->Start(entry, address, 0), !arguments.isEmpty());
    if (arguments.isEmpty()) {
        QVERIFY(!launcher_->Start(path("entries/no such entry.desktop"), address, 0));
        return;
    }
    const auto written = [&] {
        QFile file(path("arguments"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QTRY_COMPARE(written(), arguments.join('\n') + "\n-- end\n");
    QVERIFY(!QFile::exists("pwned"));
}

QTEST_MAIN(LauncherTest)
#include "launcher_test.moc"
