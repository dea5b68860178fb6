// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "Launcher.h"

// The platform launcher against a desktop made up for the test: one browser, registered
// as the default for HTML, which writes down the arguments it was started with.
class LauncherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void findsTheDefaultBrowser();
    void findsNothingForAnUnclaimedType();
    void startsTheProgramItselfWithOneArgument();
    void reportsAProgramThatCannotStart();

private:
    static void Write(const QString& path, const QByteArray& contents) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QString browser() const { return desktop_.filePath("bin/fakebrowser"); }

    QTemporaryDir desktop_;
    std::unique_ptr<Launcher> launcher_;
};

void LauncherTest::initTestCase() {
#ifndef Q_OS_LINUX
    QSKIP("The made-up desktop is a Linux one");
#endif
    QVERIFY(desktop_.isValid());
    Write(browser(), "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/arguments\"\n");
    QFile::setPermissions(browser(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Write(desktop_.filePath("data/applications/fakebrowser.desktop"),
          "[Desktop Entry]\nType=Application\nName=Fake Browser\nExec=fakebrowser %u\n"
          "MimeType=text/html;x-scheme-handler/http;\n");
    Write(desktop_.filePath("config/mimeapps.list"), "[Default Applications]\ntext/html=fakebrowser.desktop\n");
    // The system's type database, but none of its programs.
    QDir().mkpath(desktop_.filePath("share"));
    QVERIFY(QFile::link("/usr/share/mime", desktop_.filePath("share/mime")));
    qputenv("XDG_DATA_HOME", desktop_.filePath("data").toLocal8Bit());
    qputenv("XDG_DATA_DIRS", desktop_.filePath("share").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", desktop_.filePath("config").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", desktop_.filePath("config").toLocal8Bit());
    qputenv("PATH", desktop_.filePath("bin").toLocal8Bit() + ":" + qgetenv("PATH"));
    launcher_ = MakeLauncher();
}

void LauncherTest::findsTheDefaultBrowser() {
    const QString document = desktop_.filePath("temphtm-abc123.HTM");
    Write(document, "\"<HTML> <\\HTML>\"\r\n");
    QCOMPARE(launcher_->FindExecutable(document), browser());
}

// Nothing registered, or no document to look at.
void LauncherTest::findsNothingForAnUnclaimedType() {
    const QString document = desktop_.filePath("picture.png");
    Write(document, QByteArray("\x89PNG\r\n\x1a\n", 8));
    QCOMPARE(launcher_->FindExecutable(document), QString());
    QCOMPARE(launcher_->FindExecutable(desktop_.filePath("no such file.HTM")), QString());
}

void LauncherTest::startsTheProgramItselfWithOneArgument() {
    // No shell sees the argument: its blanks, quotes and $( ) stay as they are.
    const QString argument = "mailto:someone@quillfen.example; $(touch pwned) 'x'";
    QVERIFY(launcher_->Start(browser(), argument));
    QFile written(desktop_.filePath("bin/arguments"));
    QTRY_VERIFY(written.exists() && written.size() > 0);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(written.readAll()), argument + "\n");
    QVERIFY(!QFile::exists("pwned"));
}

void LauncherTest::reportsAProgramThatCannotStart() {
    QVERIFY(!launcher_->Start(desktop_.filePath("bin/no such program"), "voltara.quillfen.example/"));
}

QTEST_MAIN(LauncherTest)
#include "launcher_test.moc"
