// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "frmInfo.h"
#include "support/LayoutChecks.h"
#include "support/ShellFixture.h"

using reg::Hive;

namespace {
bool OnTop(const QWidget* w) { return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
}  // namespace

class WelcomeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }
    void okStoresNoAndRestoresOrder_data();
    void okStoresNoAndRestoresOrder();
    void startUpWaitsForOk();
};

void WelcomeTest::okStoresNoAndRestoresOrder_data() {
    QTest::addColumn<bool>("alwaysOnTop");
    QTest::newRow("always on top") << true;
    QTest::newRow("not on top") << false;
}

void WelcomeTest::okStoresNoAndRestoresOrder() {
    QFETCH(bool, alwaysOnTop);
    ShellFixture f;
    frmMain& m = f.load();
    if (alwaysOnTop) m.sbjAlwaysOnTop_Click();
    QCOMPARE(OnTop(&m), alwaysOnTop);
    f.store.DeleteKey(Hive::CurrentUser, regkeys::Setting);

    frmInfo info(&m, f.registry, *m.sbjAlwaysOnTop);
    QVERIFY(OnTop(&info));
    QVERIFY(!info.windowFlags().testFlag(Qt::WindowTitleHint));
    QVERIFY(!info.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(CutTexts(&info), QStringList());
    info.show();
    QVERIFY(QTest::qWaitForWindowActive(&info));

    QTest::keyClick(info.cmdOK, Qt::Key_Return);
    QVERIFY(!info.isVisible());
    QCOMPARE(info.result(), int(QDialog::Accepted));
    QCOMPARE(f.user(regkeys::Setting, "Show Info"), QString("No"));
    QVERIFY(!OnTop(&info));
    QCOMPARE(OnTop(&m), alwaysOnTop);
    QTRY_COMPARE(QApplication::activeWindow(), &m);
}

// The real start-up: the dialog is modal, Escape leaves it open and stores nothing, Ok lets
// start-up go on to its battery check.
void WelcomeTest::startUpWaitsForOk() {
    ShellFixture f;
    f.putUser(regkeys::Setting, "Show Info", "");
    f.power.status = 128;
    bool seen = false;
    bool survivedEscape = false;
    std::size_t boxesMeanwhile = 99;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, [&] {
        auto* info = qobject_cast<frmInfo*>(QApplication::activeModalWidget());
        if (!info || seen) return;
        seen = true;
        QTest::keyClick(info, Qt::Key_Escape);
        QCoreApplication::processEvents();
        survivedEscape = info->isVisible() && f.user(regkeys::Setting, "Show Info").isEmpty();
        boxesMeanwhile = f.boxes.shown.size();
        QTest::mouseClick(info->cmdOK, Qt::LeftButton);
    });
    poll.start();
    f.load();
    poll.stop();
    QVERIFY(seen);
    QVERIFY(survivedEscape);
    QCOMPARE(boxesMeanwhile, std::size_t(0));
    QCOMPARE(f.user(regkeys::Setting, "Show Info"), QString("No"));
    QCOMPARE(f.boxes.texts(), QStringList{"No battery detected!"});
}

QTEST_MAIN(WelcomeTest)
#include "welcome_test.moc"
