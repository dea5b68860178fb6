// SPDX-License-Identifier: GPL-3.0-or-later
// The main window when the world misbehaves: a settings folder that refuses writes, a
// battery that is pulled in the middle of a refresh, a power status that cannot be read.
// The program runs on, keeps what is stored, and learns nothing false.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QtTest>

#include <fstream>
#include <iterator>

#include "frmSetup.h"
#include "linux/FileRegistry.h"
#include "support/FileFaults_linux.h"
#include "support/ShellFixture.h"
#include "support/TempDir.h"

namespace {

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A battery pulled right after its status has been read: every later read of the same
// refresh finds none.
class VanishingBattery : public FakePowerSource {
public:
    bool pullAfterNextStatusRead = false;
    std::int16_t BatteryStatus() override {
        const std::int16_t read = FakePowerSource::BatteryStatus();
        if (pullAfterNextStatusRead) {
            pullAfterNextStatusRead = false;
            status = 128;
            percent = 255;
        }
        return read;
    }
};

}  // namespace

class FaultsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readOnlySettingsFolder();
    void batteryPulledMidRefresh();
    void powerStatusUnreadable();
};

void FaultsTest::readOnlySettingsFolder() {
    TempDir dir;
    const auto cu = dir.path() / "config" / "voltara" / "HKEY_CURRENT_USER.reg";
    FileRegistry files(cu, dir.path() / "xdg" / "voltara" / "HKEY_LOCAL_MACHINE.reg",
                       AutostartRunKey(dir.path() / "config" / "autostart", {dir.path() / "xdg" / "autostart"}));
    modRegistry registry(files);
    const char* const seeded[][3] = {{regkeys::Window, "X", "1500"},
                                     {regkeys::Window, "Y", "3000"},
                                     {regkeys::ControlCenter, "Low Warning Percent", "20"},
                                     {regkeys::ControlCenter, "AC Off", "1"},
                                     {regkeys::TimeCalc, "Data", "1.5"},
                                     {regkeys::TimeCalc, "Count", "2"},
                                     {regkeys::Setting, "Show Info", "No"}};
    for (const auto& [key, name, value] : seeded) {
        registry.CreateRegistryKey(key, reg::Hive::CurrentUser);
        registry.SaveUserString(key, name, value);
    }
    const std::string before = ReadFile(cu);
    ReadOnlyFolder readOnly(cu.parent_path());
    if (!readOnly.Active()) QSKIP("cannot make a folder read-only here");

    ShellFixture s;
    s.settings = &registry;
    s.power.ac = 1;
    s.power.percent = 80;
    frmMain& m = s.load();
    QCOMPARE(m.pos(), QPoint(100, 200));
    QCOMPARE(int(m.Settings.LowWarningPercent), 20);
    QVERIFY(m.Settings.ACoff);

    // Everything that stores something, each failing quietly.
    m.sbjCompact_Click();
    m.sbjFull_Click();
    s.power.ac = 0;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    s.power.percent = 78;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(s.label(1), QString("1:57"));  // the stored average, 1.5 a point
    frmSetup* setup = s.open<frmSetup>(&frmMain::sbjControlCenter_Click);
    QVERIFY(setup);
    setup->txtLowWarningPercent->setText("30");
    setup->cmdFinish->click();
    QCOMPARE(int(m.Settings.LowWarningPercent), 30);  // applied though it cannot be stored
    m.Form_Unload();

    QCOMPARE(s.endCalls, 1);
    QCOMPARE(s.boxes.texts(), QStringList{"AC Power is now Off."});
    QVERIFY(ReadFile(cu) == before);
    QCOMPARE(files.OpenHandles(), 0);
}

void FaultsTest::batteryPulledMidRefresh() {
    ShellFixture s;
    VanishingBattery power;
    power.percent = 85;
    s.source = &power;
    frmMain& m = s.load();
    QCOMPARE(s.label(0), QString("85%"));

    s.clock.advanceMinutes(1);
    power.pullAfterNextStatusRead = true;
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(s.label(0), QString("255%"));  // present when asked, gone for the charge

    // Back at 84 %: the 255 left behind is no charge, so no fall of 171 points is learned.
    power.status = 1;
    power.percent = 84;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(s.label(0), QString("84%"));
    QCOMPARE(s.user(regkeys::TimeCalc, "Data"), QString("<missing>"));

    power.percent = 82;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(s.user(regkeys::TimeCalc, "Data"), QString("0.5"));
    QCOMPARE(s.label(1), QString("0:41"));
    QVERIFY(s.boxes.shown.empty());
    QCOMPARE(s.endCalls, 0);
}

void FaultsTest::powerStatusUnreadable() {
    ShellFixture s;
    s.putUser(regkeys::ControlCenter, "AC On", "1");
    s.power.failing = true;
    frmMain& m = s.load();
    QVERIFY(s.boxes.shown.empty());  // not "No battery detected!": nothing is known
    QCOMPARE(s.label(0), QString());

    s.power.failing = false;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(s.label(0), QString("85%"));
    const QString tip = m.trayIcon()->toolTip();
    const QString tag = m.sysInfo.Tag;

    // Unreadable for a minute: every display keeps its state, no rule fires on a guess.
    s.power.failing = true;
    s.power.ac = 1;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(QStringList({s.label(0), s.label(1), s.label(2)}), QStringList({"85%", "No Info", "Off"}));
    QCOMPARE(m.trayIcon()->toolTip(), tip);
    QCOMPARE(m.sysInfo.Tag, tag);
    QVERIFY(s.boxes.shown.empty());

    // Readable again at 83 %: the fall from the 85 % still shown took both minutes.
    s.power.failing = false;
    s.power.ac = 0;
    s.power.percent = 83;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(s.user(regkeys::TimeCalc, "Data"), QString("1"));
    QCOMPARE(s.label(1), QString("1:23"));
}

QTEST_MAIN(FaultsTest)
#include "faults_test.moc"
