#include <QLabel>
#include <QSystemTrayIcon>
#include <QtTest>

#include "support/ShellFixture.h"

// What a refresh hands the tray icon. A freshly parsed icon per refresh leaves new
// renderings in Qt's pixmap cache each time, and the program grows with every power event.
class TrayRefreshTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void iconIsReusedAcrossRefreshes();
};

void TrayRefreshTest::iconIsReusedAcrossRefreshes() {
    ShellFixture f;
    f.power.status = 1;
    f.power.percent = 85;
    f.power.ac = 0;
    frmMain& m = f.load();
    const qint64 at85 = m.trayIcon()->icon().cacheKey();
    QVERIFY(!m.trayIcon()->icon().isNull());

    m.Progress();
    QCOMPARE(m.trayIcon()->icon().cacheKey(), at85);

    // Same band, new text: the tooltip follows although the picture stays.
    f.power.percent = 86;
    m.Progress();
    QCOMPARE(m.trayIcon()->toolTip(), QString("86%"));
    QCOMPARE(m.trayIcon()->icon().cacheKey(), at85);

    f.power.percent = 35;
    m.Progress();
    QVERIFY(m.trayIcon()->icon().cacheKey() != at85);
    QCOMPARE(m.trayIcon()->toolTip(), QString("35%"));

    f.power.percent = 85;
    m.Progress();
    QCOMPARE(m.trayIcon()->icon().cacheKey(), at85);
    QCOMPARE(m.trayIcon()->toolTip(), QString("85%"));
}

QTEST_MAIN(TrayRefreshTest)
#include "trayrefresh_test.moc"
