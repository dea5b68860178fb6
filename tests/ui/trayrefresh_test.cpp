// SPDX-License-Identifier: GPL-3.0-or-later
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
    // Within a band the picture stays while the tooltip follows; another band, another picture.
    const std::pair<int, bool> steps[] = {{85, true}, {86, true}, {35, false}, {85, true}};
    for (auto [percent, same] : steps) {
        f.power.percent = static_cast<std::int16_t>(percent);
        m.Progress();
        QCOMPARE(m.trayIcon()->toolTip(), QString("%1%").arg(percent));
        QCOMPARE(m.trayIcon()->icon().cacheKey() == at85, same);
    }
}

QTEST_MAIN(TrayRefreshTest)
#include "trayrefresh_test.moc"
