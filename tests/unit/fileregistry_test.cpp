// SPDX-License-Identifier: GPL-3.0-or-later
// The settings as the program keeps them on Linux: modRegistry over the hive files and the
// autostart entry, and how they hold up against other processes, crashes and damaged files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <thread>

#include "linux/FileRegistry.h"
#include "modRegistry.h"
#include "support/FileFaults_linux.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

using D = RegistryDatum;
const std::string kKey = regkeys::ControlCenter;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& p, const std::string& content) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

unsigned ModeOf(const fs::path& p) { return static_cast<unsigned>(fs::status(p).permissions()); }

class FileRegistryTest : public testing::Test {
protected:
    fs::path cu() const { return dir.path() / "cfg" / "voltara" / "HKEY_CURRENT_USER.reg"; }
    fs::path lm() const { return dir.path() / "etc" / "voltara" / "HKEY_LOCAL_MACHINE.reg"; }
    // The user's autostart folder, and two machine-wide ones, the first more important.
    AutostartRunKey Autostart() const {
        return AutostartRunKey(dir.path() / "cfg" / "autostart",
                               {dir.path() / "etc" / "site", dir.path() / "etc" / "xdg"});
    }
    std::unique_ptr<FileRegistry> Make() const { return std::make_unique<FileRegistry>(cu(), lm(), Autostart()); }
    // The names in the store's folder; just the store and its lock when nothing is left behind.
    std::vector<std::string> Beside() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(cu().parent_path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    const std::vector<std::string> kJustTheStore{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"};

    TempDir dir;
    std::unique_ptr<FileRegistry> backend = Make();
    modRegistry registry{*backend, ','};
};

TEST_F(FileRegistryTest, StoresEachValueInTheEditorsFormInAPrivateFile) {
    registry.SaveUserString(kKey, "AC On", "1");  // no key: nothing is written, nothing created
    EXPECT_FALSE(fs::exists(cu().parent_path()));
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    // What a killed writer left behind is never read, and the next write clears it.
    WriteFile(cu().parent_path() / ".HKEY_CURRENT_USER.reg.tmp-Ab12Cd",
              "REGEDIT4\n[HKEY_CURRENT_USER\\" + kKey + "]\n\"S\"=\"1\"\n");
    EXPECT_TRUE(registry.GetUserString(kKey, "S").IsEmpty());
    auto other = Make();  // another process, whose write ours must not undo
    modRegistry(*other).SaveUserString(kKey, "Other", "1");
    const std::pair<const char*, RegistryValue> values[] = {{"AC On", "1"}, {"N", -7}, {"X", 1234.5f}, {"Flag", true}};
    for (const auto& [name, value] : values) registry.SaveUserString(kKey, name, value);
    registry.SaveUserString("software\\quillfen\\voltara\\CONTROL CENTER", "ac on", "");
    registry.SaveUserString(kKey, "D", -2.5, reg::REG_DWORD);
    registry.SaveUserString(kKey, "Bin", "x", 3);  // not a type the program writes: nothing stored
    EXPECT_EQ(ReadFile(cu()),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Control Center]\n\"AC On\"=\"\"\n"
              "\"D\"=dword:fffffffe\n\"Flag\"=\"True\"\n\"N\"=\"-7\"\n\"Other\"=\"1\"\n\"X\"=\"1234,5\"\n\n");
    EXPECT_EQ(registry.GetUserString(kKey, "x"), D::Text("1234,5"));
    EXPECT_EQ(registry.GetUserString(kKey, "D"), D::Integer(-2));
    const fs::path folder = cu().parent_path();
    EXPECT_EQ((std::vector{ModeOf(cu()), ModeOf(folder), ModeOf(folder.parent_path())}),
              (std::vector{0600u, 0700u, 0700u}));
    EXPECT_EQ(Beside(), kJustTheStore);
    EXPECT_EQ(backend->OpenHandles(), 0);
}

// Values as another program could have stored them, read into a datum that held "kept".
TEST_F(FileRegistryTest, ForeignValuesReadByTypeAndADeletedKeyStaysDeleted) {
    WriteFile(cu(), "REGEDIT4\n[HKEY_CURRENT_USER\\" + kKey +
                        "]\n\"Count\"=dword:00000019\n\"NoNul\"=hex(1):31,30\n"
                        "\"Blob\"=hex:01\n\"Long\"=hex(4):01,00,00,00,09,09\n");
    const D kept = D::Text("kept");
    const std::tuple<const char*, reg::Status, D> cases[] = {{"Count", reg::ERROR_SUCCESS, D::Integer(25)},
                                                             {"NoNul", reg::ERROR_SUCCESS, D::Text("10")},
                                                             {"Blob", -1, kept},
                                                             {"Long", reg::ERROR_MORE_DATA, kept},
                                                             {"Absent", reg::ERROR_FILE_NOT_FOUND, kept}};
    reg::KeyHandle key = 0;
    ASSERT_EQ(backend->OpenKeyEx(reg::Hive::CurrentUser, kKey, 0x3F, &key), reg::ERROR_SUCCESS);
    for (const auto& [name, status, datum] : cases) {
        D read = kept;
        EXPECT_EQ(registry.QueryRegistryValue(key, name, read), status) << name;
        EXPECT_EQ(read, datum) << name;
    }
    WriteFile(cu(), "REGEDIT4\n");  // another process deletes the key
    EXPECT_EQ(registry.SetRegistryValue(key, "Count", reg::REG_SZ, "5"), reg::ERROR_KEY_DELETED);
    EXPECT_EQ(ReadFile(cu()), "REGEDIT4\n");
    backend->CloseKey(key);
}

TEST_F(FileRegistryTest, AWriterKilledAtAnyPointLeavesAWholeFile) {
    std::mt19937 random(20261206);  // fixed, so a failing point can be found again
    for (int round = 0; round < 16; ++round) {
        fs::remove(cu());
        registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            auto own = Make();
            for (int i = 0;; ++i) {
                modRegistry(*own).SaveUserString(kKey, "V" + std::to_string(i), std::string(3000, 'p'));
                if (i == 0 && ::write(started[1], "!", 1) != 1) ::_exit(1);
            }
        }
        char signal = 0;
        ASSERT_EQ(::read(started[0], &signal, 1), 1);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(started[0]), ::close(started[1]);
        const auto parsed = HiveDocument::Parse(ReadFile(cu()), "HKEY_CURRENT_USER");
        EXPECT_TRUE(parsed.wellFormed && parsed.document.FindValue(kKey, "V0")) << "round " << round;
        registry.SaveUserString(kKey, "After", round);
        EXPECT_EQ(Beside(), kJustTheStore);
    }
}

// A file that cannot be parsed is read as far as it goes; one too large to be a hive is not
// read at all. Either is kept aside as it was before it is first rewritten.
TEST_F(FileRegistryTest, ADamagedFileIsKeptAsideAndWhatCouldBeReadGoesOn) {
    const std::string cutShort = "REGEDIT4\n[HKEY_CURRENT_USER\\" + kKey + "]\n\"AC On\"=\"1\"\n\"AC Off\"=\"1";
    for (const std::string& damaged : {cutShort, std::string(10 << 20, 'x')}) {
        fs::remove_all(cu().parent_path());
        WriteFile(cu(), damaged);
        const D acOn = registry.GetUserString(kKey, "AC On");
        EXPECT_EQ(acOn, damaged == cutShort ? D::Text("1") : D());
        registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
        registry.SaveUserString(kKey, "Low Warning Percent", "15");
        registry.SaveUserString(kKey, "AC Off", "0");
        const auto names = Beside();
        ASSERT_EQ(names.size(), 3u);
        EXPECT_EQ(names[1].rfind("HKEY_CURRENT_USER.reg.corrupt-", 0), 0u);
        EXPECT_TRUE(ReadFile(cu().parent_path() / names[1]) == damaged);
        EXPECT_EQ(registry.GetUserString(kKey, "AC On"), acOn);
        EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), D::Text("15"));
    }
}

TEST_F(FileRegistryTest, AHungHolderOfTheLockDropsTheWriteInsteadOfFreezingIt) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    // Another open file description's lock blocks this process's writer as another process's would.
    const int holder = ::open((cu().string() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    registry.SaveUserString(kKey, "Low Warning Percent", "20");
    EXPECT_TRUE(registry.GetUserString(kKey, "Low Warning Percent").IsEmpty());
    ::close(holder);
    registry.SaveUserString(kKey, "Low Warning Percent", "20");
    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), D::Text("20"));
}

// Where a folder refuses writes its settings stay as they were, and the machine's keys open
// for reading only; the Run entry is the user's own, in the user's autostart folder.
TEST_F(FileRegistryTest, ReadOnlyFoldersKeepTheirSettings) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "Low Warning Percent", "15");
    registry.CreateRegistryKey("SOFTWARE\\Vendor", reg::Hive::LocalMachine);
    const std::string before = ReadFile(cu());
    ReadOnlyFolder readOnly(cu().parent_path()), machineReadOnly(lm().parent_path());
    if (!readOnly.Active() || !machineReadOnly.Active()) GTEST_SKIP() << "cannot make a folder read-only here";
    registry.SaveUserString(kKey, "Low Warning Percent", "20");
    registry.CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);
    registry.SaveMachineString(regkeys::Run, "Voltara", "/usr/bin/voltara");
    EXPECT_TRUE(ReadFile(cu()) == before && Beside() == kJustTheStore);
    reg::KeyHandle key = 0;
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\Vendor", 0x3F, &key), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\Vendor", 0x20019, &key), reg::ERROR_SUCCESS);
    EXPECT_EQ(registry.SetRegistryValue(key, "Shared", reg::REG_SZ, "no"), reg::ERROR_ACCESS_DENIED);
    backend->CloseKey(key);
    EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Voltara"), D::Text("/usr/bin/voltara"));
}

// The machine-wide folders are read-only, as to an ordinary user: the user's own entry takes
// the tick, and overrides theirs without editing them.
TEST_F(FileRegistryTest, TheUsersAutostartEntryOverridesTheMachineWideOnes) {
    const std::string live = "[Desktop Entry]\nExec=/usr/bin/voltara\n";
    const std::string hidden = "[Desktop Entry]\nType=Application\nName=Voltara\nHidden=true\n";
    const struct {
        std::map<std::string, std::string> machineEntries;
        bool ticked;
        std::vector<std::string> userEntries;  // after ticking and unticking
    } cases[] = {{{}, false, {"voltara.desktop"}},
                 {{{"site/voltara.desktop", hidden}, {"xdg/voltara.desktop", live}}, false, {"voltara.desktop"}},
                 // An earlier version's name: a second entry to the session, hidden for the user too.
                 {{{"xdg/Voltara.desktop", live}}, true, {"Voltara.desktop", "voltara.desktop"}},
                 {{{"xdg/Voltara.desktop", hidden}, {"xdg/voltara.desktop", live}}, true, {"voltara.desktop"}}};
    for (const auto& c : cases) {
        fs::remove_all(dir.path());
        for (const auto& [file, content] : c.machineEntries) WriteFile(dir.path() / "etc" / file, content);
        fs::create_directories(dir.path() / "etc");
        ReadOnlyFolder readOnly(dir.path() / "etc");
        if (!readOnly.Active()) GTEST_SKIP() << "cannot make a folder read-only here";
        EXPECT_EQ(!EqualsEmptyText(registry.GetMachineString(regkeys::Run, "Voltara")), c.ticked);
        registry.SaveMachineString(regkeys::Run, "Voltara", "/opt/Volt App/voltara");
        EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Voltara"), D::Text("/opt/Volt App/voltara"));
        EXPECT_EQ(ReadFile(Autostart().UserFolder() / "voltara.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Voltara\nExec=\"/opt/Volt App/voltara\"\n");
        registry.SaveMachineString(regkeys::Run, "Voltara", "");
        std::vector<std::string> entries;
        for (const auto& e : fs::directory_iterator(Autostart().UserFolder())) {
            entries.push_back(e.path().filename());
            EXPECT_EQ(ReadFile(e.path()), hidden) << e.path();
        }
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, c.userEntries);
        EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Voltara"), D::Text(""));
    }
    // Other Run values live in the machine's hive; only a plain text fits the entry.
    registry.SaveMachineString("software\\microsoft\\windows\\currentversion\\run", "Other", "x");
    EXPECT_NE(
        ReadFile(lm()).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n\"Other\"=\"x\""),
        std::string::npos);
    registry.SaveMachineString(regkeys::Run, "Voltara", 1, reg::REG_DWORD);
    EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Voltara"), D::Text(""));
}

TEST(AutostartEntry, QuotesWhatTheDesktopEntrySpecificationReservesAndReadsOthersEntries) {
    const std::pair<const char*, const char*> programs[] = {{"/opt/a\"b\\c", "\"/opt/a\\\\\"b\\\\\\\\c\""},
                                                            {"/opt/$x`/v\n", "\"/opt/\\\\$x\\\\`/v\\n\""},
                                                            {"/opt/100%/v", "/opt/100%%/v"}};
    for (const auto& [program, exec] : programs) {
        EXPECT_EQ(AutostartRunKey::ExecFor(program), exec);
        EXPECT_EQ(AutostartRunKey::ValueOfDesktopEntry(AutostartRunKey::DesktopEntryFor(program)), program);
    }
    const std::pair<const char*, const char*> entries[] = {
        {"[Desktop Entry]\nExec = /usr/bin/voltara --tray\n", "/usr/bin/voltara --tray"},
        {"# note\n[Desktop Entry]\nExec=voltara\nX-GNOME-Autostart-enabled=false\n", ""},
        {"Exec=outside\n[Desktop Entry]\nExec=voltara\n[Desktop Action Quit]\nExec=killall voltara\n", "voltara"}};
    for (const auto& [content, value] : entries) EXPECT_EQ(AutostartRunKey::ValueOfDesktopEntry(content), value);
}

}  // namespace
