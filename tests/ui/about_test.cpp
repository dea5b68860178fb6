// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "frmAbout.h"
#include "support/FakeLauncher.h"
#include "support/LayoutChecks.h"
#include "support/ShellFixture.h"

namespace {

struct AboutFixture : ShellFixture {
    QPointer<frmAbout> dialog;
    QTemporaryDir temp;

    frmAbout* open() {
        dialog = ShellFixture::open<frmAbout>(&frmMain::sbjAbout_Click);
        if (dialog) dialog->setLauncher(launcher, temp.path());
        return dialog;
    }
    bool closed() { return gone(dialog); }
    QStringList leftInTemp() const { return QDir(temp.path()).entryList(QDir::NoDotAndDotDot | QDir::Files); }
};

constexpr QFile::Permissions OthersAndGroup =
    QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }
    void showsTitleVersionAndIcon();
    void launch_data();
    void launch();
    void closingBringsMainForward_data();
    void closingBringsMainForward();
};

void AboutTest::showsTitleVersionAndIcon() {
    AboutFixture f;
    frmAbout* d = f.open();
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QString("About Voltara"));
    QCOMPARE(d->lblTitle->text(), QString("Voltara"));
    QCOMPARE(d->lblVersion->text(), QString("Version 2.0.0"));

    const QPixmap icon = d->picIcon->pixmap();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.deviceIndependentSize().toSize(), QSize(32, 32));
    QCOMPARE(d->picIcon->contentsRect().size(), QSize(32, 32));

    // The links keep the widths they are laid out with (of a client area 3840 twips wide):
    // a click anywhere on them opens them.
    const std::pair<QLabel*, double> links[] = {{d->lblEmail, 1965}, {d->lblWebsite, 3450}};
    for (const auto& [link, twips] : links) {
        QCOMPARE(link->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(link->cursor().hotSpot(), QPoint(4, 0));
        QVERIFY2(qAbs(link->width() - d->width() * twips / 3840) <= 1, qPrintable(link->objectName()));
    }
    for (QLabel* label : d->findChildren<QLabel*>())
        QVERIFY2(!label->accessibleName().isEmpty(), qPrintable(label->objectName()));
    QCOMPARE(CutTexts(d), QStringList());
}

void AboutTest::launch_data() {
    QTest::addColumn<bool>("mail");
    QTest::addColumn<QString>("browser");  // "-": the temporary document cannot be made
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    const QString page = "voltara.quillfen.example/", mailto = "mailto:voltara@quillfen.example";
    const QString b = "/usr/bin/fakebrowser", none = "Browser Not Found", failed = "URL Failed";
    QTest::newRow("home page") << false << b << true << page << ""
                               << "";
    QTest::newRow("home page, no browser")
        << false << "" << true << "" << none << "Could not find default Internet Browser";
    const QString pageFailed = "Attemp failed. Homepage https://voltara.quillfen.example/ cannot be opened";
    const QString noFile = "Could not create a temporary file to find the default ";
    QTest::newRow("home page, start fails") << false << b << false << page << failed << pageFailed;
    QTest::newRow("home page, no document") << false << "-" << true << "" << none << noFile + "Internet Browser.";
    QTest::newRow("mail") << true << b << true << mailto << ""
                          << "";
    QTest::newRow("mail, no browser") << true << "" << true << "" << none << "Could not find default E-mail program";
    QTest::newRow("mail, start fails") << true << b << false << mailto << failed
                                       << "Attemp failed. Default E-mail program cannot be opened";
    QTest::newRow("mail, no document") << true << "-" << true << "" << none << noFile + "E-mail program.";
}

void AboutTest::launch() {
    QFETCH(bool, mail);
    QFETCH(QString, browser);
    QFETCH(QString, argument);
    QFETCH(QString, message);
    AboutFixture f;
    frmAbout* d = f.open();
    QVERIFY(d);
    const bool noDocument = browser == "-";
    if (noDocument) d->setLauncher(f.launcher, f.temp.filePath("no such folder"));
    f.launcher.browser = browser;
    QFETCH(bool, starts);
    f.launcher.startSucceeds = starts;
    QStringList presentWhileBoxOpen;
    f.boxes.whileOpen = [&](const FakeMessageBoxes::Box&) { presentWhileBoxOpen = f.leftInTemp(); };

    QTest::mouseClick(mail ? d->lblEmail : d->lblWebsite, Qt::LeftButton);

    QCOMPARE(f.launcher.lookups.size(), std::size_t(noDocument ? 0 : 1));
    if (!noDocument) {
        const FakeLauncher::Lookup& lookup = f.launcher.lookups[0];
        QCOMPARE(lookup.mail, mail);
        QVERIFY(lookup.existed);
        QCOMPARE(QFileInfo(lookup.document).absolutePath(), QDir(f.temp.path()).absolutePath());
        QVERIFY(lookup.document.endsWith(".HTM"));
        QCOMPARE(lookup.contents, QByteArray("\"<HTML> <\\HTML>\"\r\n"));
        QCOMPARE(lookup.permissions & OthersAndGroup, QFile::Permissions());
        // Deleted only once a box is closed.
        if (!message.isEmpty()) QCOMPARE(presentWhileBoxOpen, QStringList{QFileInfo(lookup.document).fileName()});
    }
    QCOMPARE(f.launcher.started.size(), std::size_t(argument.isEmpty() ? 0 : 1));
    if (!argument.isEmpty()) {
        QCOMPARE(f.launcher.started[0].program, browser);
        QCOMPARE(f.launcher.started[0].argument, argument);
        QCOMPARE(f.launcher.started[0].owner, d->winId());
    }
    QCOMPARE(f.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty()) {
        QTEST(f.boxes.shown[0].title, "title");
        QCOMPARE(f.boxes.shown[0].icon, MessageBoxes::Icon::Exclamation);
    }
    QCOMPARE(f.leftInTemp(), QStringList());
    QVERIFY(d->isVisible());
}

void AboutTest::closingBringsMainForward_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<bool>("compact");
    QTest::newRow("Enter") << false << false;
    QTest::newRow("close box") << true << false;
    QTest::newRow("Enter, compact display") << false << true;
}

// Closing hands the foreground to the main window, which stays hidden in compact display.
void AboutTest::closingBringsMainForward() {
    QFETCH(bool, closeBox);
    QFETCH(bool, compact);
    AboutFixture f;
    f.load();
    if (compact) f.main->sbjCompact_Click();
    frmAbout* d = f.open();
    QVERIFY(d);
    QCOMPARE(f.open(), d);  // About again brings the same dialog forward
    if (closeBox)
        d->close();
    else
        QTest::keyClick(d, Qt::Key_Return);
    QVERIFY(f.closed());
    if (compact)
        QVERIFY(!f.main->isVisible());
    else
        QTRY_COMPARE(QApplication::activeWindow(), f.main.get());
}

QTEST_MAIN(AboutTest)
#include "about_test.moc"
