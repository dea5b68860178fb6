// SPDX-License-Identifier: GPL-3.0-or-later
// The power status element over faked sysfs and uevents. Runs under umockdev's preload
// (umockdev-wrapper), which redirects /sys to a testbed and hands its uevents to libudev
// monitors; without it the test is skipped.
#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#ifdef VOLTARA_HAVE_UMOCKDEV
#include <fcntl.h>
#include <umockdev.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "SysInfo.h"
#include "linux/SysfsPowerReader.h"
#include "support/ShellFixture.h"

class SysInfoTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        testbed_ = umockdev_testbed_new();
        battery_ = umockdev_testbed_add_device(testbed_, "power_supply", "BAT0", nullptr, "type", "Battery", "status",
                                               "Discharging", "capacity", "80", "energy_now", "40000000", "energy_full",
                                               "50000000", "power_now", "10000000", nullptr, "POWER_SUPPLY_NAME",
                                               "BAT0", nullptr);
        adapter_ = umockdev_testbed_add_device(testbed_, "power_supply", "AC", nullptr, "type", "Mains", "online", "0",
                                               nullptr, "POWER_SUPPLY_NAME", "AC", nullptr);
        QVERIFY(battery_ && adapter_);
        reader_ = std::make_unique<SysfsPowerReader>();  // the real /sys path, which the preload redirects
        QCOMPARE(reader_->ACStatus(), 0);
        QCOMPARE(reader_->BatteryLifeTime(), 14400);
    }

    void cleanup() {
        reader_.reset();
        g_free(battery_);
        g_free(adapter_);
        g_object_unref(testbed_);
    }

    // The plug goes in: adapter and battery report, one notification follows, and the
    // values read in it are the new ones.
    void plugInGivesOneNotificationAndTheNewValues() {
        SysInfo sysInfo(*reader_);
        QVERIFY(sysInfo.StartMonitoring());
        QSignalSpy spy(&sysInfo, &SysInfo::PowerStatusChanged);

        Set(adapter_, "online", "1");
        Set(battery_, "status", "Charging");
        Set(battery_, "power_now", "20000000");
        umockdev_testbed_uevent(testbed_, adapter_, "change");
        umockdev_testbed_uevent(testbed_, battery_, "change");

        QVERIFY(spy.wait(5000));
        QCOMPARE(sysInfo.ACStatus(), 1);
        QCOMPARE(sysInfo.BatteryStatus(), 9);
        QCOMPARE(sysInfo.BatteryLifeTime(), -1);
        QTest::qWait(300);
        QCOMPARE(spy.count(), 1);
    }

    // The storm at the main window, about a thousand uevents a second with the plug put in
    // half-way: SysInfo folds the uevents into few refreshes, the one change is told in one box, events that
    // arrive while it is up wait for it, and the window ends showing the last state.
    void stormAtTheMainWindowFoldsRefreshesAndBoxes() {
        ShellFixture f;
        f.putUser(regkeys::ControlCenter, "AC On", "1");
        f.putUser(regkeys::ControlCenter, "AC Off", "1");
        f.source = reader_.get();
        frmMain& m = f.make();
        FakeMessageBoxes& boxes = f.boxes;
        QVERIFY(m.Form_Load());
        QCOMPARE(m.lblDisplay[2]->text(), QString("Off"));
        QSignalSpy runs(&m.sysInfo, &SysInfo::PowerStatusChanged);

        QElapsedTimer storm, slice;
        int latePauses = 0;
        int i = 0;
        auto send = [&] {
            if (i == 500) {
                Set(adapter_, "online", "1");
                Set(battery_, "status", "Charging");
            }
            umockdev_testbed_uevent(testbed_, i % 2 ? adapter_ : battery_, "change");
            if (i++ % 4 == 3) {
                // Paced to about 1.3 ms an event, in slices short enough for umockdev's queue.
                const qint64 due = qint64(i) * 13 / 10;
                if (storm.elapsed() < due) QThread::msleep(static_cast<unsigned long>(due - storm.elapsed()));
                if (slice.restart() >= 40) ++latePauses;
                QCoreApplication::processEvents();
            }
        };
        // The box's nested event loop: the storm goes on while it is up, and the user takes
        // a moment to read it.
        boxes.whileOpen = [&](const FakeMessageBoxes::Box&) {
            while (i < 1000) send();
            QTest::qWait(200);
        };
        storm.start();
        slice.start();
        while (i < 1000) send();
        const qint64 stormMs = storm.elapsed();

        QTRY_COMPARE_WITH_TIMEOUT(m.lblDisplay[2]->text(), QString("Charging"), 5000);
        QTest::qWait(300);
        QCOMPARE(boxes.texts(), QStringList{"AC Power is now On."});
        QCOMPARE(boxes.maxOpen, 1);
        QVERIFY2(runs.count() <= 1 + latePauses + stormMs / 1000,
                 qPrintable(QStringLiteral("%1 refreshes for a storm of %2 ms with %3 late slices")
                                .arg(runs.count())
                                .arg(stormMs)
                                .arg(latePauses)));
    }

    // A second pack comes and goes: the reader learns the supplies again each time, though
    // it keeps the files of those it knows open.
    void suppliesAddedAndRemovedAreLearned() {
        SysInfo sysInfo(*reader_);
        QVERIFY(sysInfo.StartMonitoring());
        QSignalSpy spy(&sysInfo, &SysInfo::PowerStatusChanged);
        QCOMPARE(sysInfo.BatteryLifePercent(), 80);

        gchar* second = umockdev_testbed_add_device(  // with its "add" uevent
            testbed_, "power_supply", "BAT1", nullptr, "type", "Battery", "status", "Discharging", "capacity", "20",
            "energy_now", "10000000", "energy_full", "50000000", nullptr, "POWER_SUPPLY_NAME", "BAT1", nullptr);
        QVERIFY(spy.wait(5000));
        QCOMPARE(sysInfo.BatteryLifePercent(), 50);  // (40 + 10) Wh of (50 + 50)

        umockdev_testbed_uevent(testbed_, second, "remove");
        umockdev_testbed_remove_device(testbed_, second);
        g_free(second);
        QVERIFY(spy.wait(5000));
        QCOMPARE(sysInfo.BatteryLifePercent(), 80);
    }

    void otherSubsystemsAreNotPowerChanges() {
        SysInfo sysInfo(*reader_);
        QVERIFY(sysInfo.StartMonitoring());
        QSignalSpy spy(&sysInfo, &SysInfo::PowerStatusChanged);

        gchar* mouse = umockdev_testbed_add_device(testbed_, "input", "mouse0", nullptr, nullptr, nullptr);
        umockdev_testbed_uevent(testbed_, mouse, "change");
        g_free(mouse);
        QVERIFY(!spy.wait(300));
    }

private:
    // Writes an attribute in place, as the kernel's own files change. umockdev's setter puts
    // a new file in the old one's place, which a reader keeping its files open never sees.
    void Set(const gchar* device, const char* attribute, const char* value) {
        gchar* root = umockdev_testbed_get_root_dir(testbed_);  // a copy, ours to free
        const std::string path = std::string(root) + device + "/" + attribute;
        g_free(root);
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        QVERIFY2(fd >= 0, qPrintable(QString::fromStdString(path)));
        const std::string text = std::string(value) + "\n";
        QCOMPARE(::write(fd, text.data(), text.size()), ssize_t(text.size()));
        ::close(fd);
    }

    UMockdevTestbed* testbed_ = nullptr;
    gchar* battery_ = nullptr;
    gchar* adapter_ = nullptr;
    std::unique_ptr<SysfsPowerReader> reader_;
};

int main(int argc, char** argv) {
    // umockdev can only tell whether its preload is active while a testbed exists.
    UMockdevTestbed* probe = umockdev_testbed_new();
    const bool mocked = umockdev_in_mock_environment();
    g_object_unref(probe);
    if (!mocked) {
        std::fputs("SKIP: run under umockdev-wrapper\n", stderr);
        return 77;
    }
    QApplication app(argc, argv);
    SysInfoTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "sysinfo_test.moc"

#else

int main() {
    std::fputs("SKIP: built without umockdev\n", stderr);
    return 77;
}

#endif
