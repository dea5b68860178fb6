// The main window when the world misbehaves: a settings folder that refuses writes, and a
// battery that is pulled in the middle of a refresh. The program runs on, keeps what is
// stored, and learns nothing false.
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <fstream>
#include <sstream>

#include "settings/FileRegistry_linux.h"
#include "settings/frmSetup.h"
#include "support/FileFaults_linux.h"
#include "support/ShellFixture.h"
#include "support/TempDir.h"

namespace {

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
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

// The main window over the given registry and power source, with the other fakes.
struct Shell {
    Shell(modRegistry& r, PowerSource& p) : registry(r), power(p) {}
    modRegistry& registry;
    PowerSource& power;
    FakeClock clock;
    FakeMessageBoxes boxes;
    FakeSingleInstance instance;
    FakeLauncher launcher;
    int endCalls = 0;
    std::unique_ptr<frmMain> main;

    frmMain& load() {
        main = std::make_unique<frmMain>(ShellServices{registry, power, clock, boxes, instance, launcher,
                                                       QStringLiteral("/opt/voltara"), [this] { ++endCalls; }});
        main->Form_Load();
        return *main;
    }
};

}  // namespace

class FaultsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(voltara); }
    void readOnlySettingsFolder();
    void batteryPulledMidRefresh();
};

void FaultsTest::readOnlySettingsFolder() {
    TempDir dir;
    const auto cu = dir.path() / "config" / "voltara" / "HKEY_CURRENT_USER.reg";
    FileRegistry files(cu, dir.path() / "xdg" / "voltara" / "HKEY_LOCAL_MACHINE.reg", dir.path() / "xdg" / "autostart");
    modRegistry registry(files);
    for (const char* key : {regkeys::Window, regkeys::ControlCenter, regkeys::TimeCalc, regkeys::Setting})
        registry.CreateRegistryKey(key, reg::Hive::CurrentUser);
    registry.SaveUserString(regkeys::Window, "X", "1500");
    registry.SaveUserString(regkeys::Window, "Y", "3000");
    registry.SaveUserString(regkeys::ControlCenter, "Low Warning Percent", "20");
    registry.SaveUserString(regkeys::ControlCenter, "AC Off", "1");
    registry.SaveUserString(regkeys::TimeCalc, "Data", "1.5");
    registry.SaveUserString(regkeys::TimeCalc, "Count", "2");
    registry.SaveUserString(regkeys::Setting, "Show Info", "No");
    const std::string before = ReadFile(cu);
    ReadOnlyFolder readOnly(cu.parent_path());
    if (!readOnly.Active()) QSKIP("cannot make a folder read-only here");

    FakePowerSource power;
    power.ac = 1;
    power.percent = 80;
    Shell s(registry, power);
    frmMain& m = s.load();
    QCOMPARE(m.pos(), QPoint(100, 200));
    QCOMPARE(int(m.Settings.LowWarningPercent), 20);
    QVERIFY(m.Settings.ACoff);

    // Everything that stores something, each failing quietly.
    m.sbjCompact_Click();
    m.sbjFull_Click();
    power.ac = 0;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    power.percent = 78;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(m.lblDisplay[1]->text(), QString("1:57"));  // the stored average, 1.5 a point
    m.sbjControlCenter_Click();
    QPointer<frmSetup> setup = m.findChild<frmSetup*>();
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
    MemoryRegistry store;
    store.PutText(reg::Hive::CurrentUser, regkeys::Setting, "Show Info", "No");
    modRegistry registry(store);
    VanishingBattery power;
    power.percent = 85;
    Shell s(registry, power);
    frmMain& m = s.load();
    QCOMPARE(m.lblDisplay[0]->text(), QString("85%"));

    s.clock.advanceMinutes(1);
    power.pullAfterNextStatusRead = true;
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(m.lblDisplay[0]->text(), QString("255%"));  // present when asked, gone for the charge

    // Back at 84 %: the 255 left behind is no charge, so no fall of 171 points is learned.
    power.status = 1;
    power.percent = 84;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(m.lblDisplay[0]->text(), QString("84%"));
    QCOMPARE(store.TextOf(reg::Hive::CurrentUser, regkeys::TimeCalc, "Data"), std::string("<missing>"));

    power.percent = 82;
    s.clock.advanceMinutes(1);
    m.sysInfo_PowerStatusChanged();
    QCOMPARE(QString::fromStdString(store.TextOf(reg::Hive::CurrentUser, regkeys::TimeCalc, "Data")), QString("0.5"));
    QCOMPARE(m.lblDisplay[1]->text(), QString("0:41"));
    QVERIFY(s.boxes.shown.empty());
    QCOMPARE(s.endCalls, 0);
}

QTEST_MAIN(FaultsTest)
#include "faults_test.moc"
