// SPDX-License-Identifier: GPL-3.0-or-later
// The settings as the program keeps them on Linux: modRegistry over the hive files and the
// autostart entry, and how they hold up against other processes, crashes and damaged files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <thread>

#include "Log.h"
#include "linux/FileRegistry.h"
#include "modRegistry.h"
#include "support/FileFaults_linux.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

using D = RegistryDatum;
const std::string kKey = regkeys::ControlCenter;
const std::vector<std::string> kJustTheStore{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"};

std::string ReadFile(const fs::path& file) { return {std::istreambuf_iterator<char>(std::ifstream(file).rdbuf()), {}}; }

void WriteFile(const fs::path& p, const std::string& content) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

class FileRegistryTest : public testing::Test {
protected:
    // The user's autostart folder, and two machine-wide ones, the first more important.
    std::unique_ptr<FileRegistry> Make() const {
        return std::make_unique<FileRegistry>(cu, etc / "voltara/HKEY_LOCAL_MACHINE.reg",
                                              AutostartRunKey(user, {etc / "site", etc / "xdg"}));
    }
    TempDir dir;
    const fs::path folder = dir.path() / "cfg/voltara", cu = folder / "HKEY_CURRENT_USER.reg";
    const fs::path user = dir.path() / "cfg/autostart", etc = dir.path() / "etc";
    std::unique_ptr<FileRegistry> backend = Make();
    modRegistry registry{*backend, ','};
};

TEST_F(FileRegistryTest, StoresEachValueInTheEditorsFormInAPrivateFile) {
    registry.SaveUserString(kKey, "AC On", "1");                  // no key: nothing is written, nothing created
    EXPECT_FALSE(fs::exists(folder) || ::fcntl(0, F_GETFD) < 0);  // nor standard input closed
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    // The next write clears what a killed writer left behind, and takes the place of a lock file
    // that is a link rather than follow it.
    WriteFile(folder / ".HKEY_CURRENT_USER.reg.tmp-Ab12Cd", "REGEDIT4\n");
    WriteFile(folder / "HKEY_CURRENT_USER.reg.my-copy.bak", "REGEDIT4\n");  // the user's, as long a name: kept
    fs::remove(cu.string() + ".lock");
    fs::create_symlink(dir.path() / "elsewhere", cu.string() + ".lock");
    // Another process's write, which ours must keep, and a read must see: the copy of the file kept from a read
    // after the last change had time to settle is not taken for the file now.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(registry.GetUserString(kKey, "Other"), D());
    modRegistry(*Make()).SaveUserString(kKey, "Other", "1");
    EXPECT_EQ(registry.GetUserString(kKey, "Other"), D::Text("1"));
    for (const auto& [name, value] :
         {std::pair<const char*, RegistryValue>{"AC On", "1"}, {"N", -7}, {"X", 1234.5f}, {"Flag", true}})
        registry.SaveUserString(kKey, name, value);
    registry.SaveUserString("software\\quillfen\\voltara\\CONTROL CENTER", "ac on", "");
    EXPECT_EQ(registry.GetUserString(kKey, "AC On"), D::Text(""));
    // A write puts a whole new file in place, so that what a reader or a crash meets is never half written.
    fs::create_hard_link(cu, dir.path() / "seen");
    registry.SaveUserString(kKey, "D", -19088741.5, reg::REG_DWORD);
    EXPECT_FALSE(fs::equivalent(cu, dir.path() / "seen"));
    registry.SaveUserString(kKey, "Bin", "x", 3);  // not a type the program writes: nothing stored
    EXPECT_EQ(registry.SetRegistryValue(0, "Bin", reg::REG_SZ, "x"), reg::ERROR_INVALID_HANDLE);
    EXPECT_EQ(ReadFile(cu),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Control Center]\n"
              "\"AC On\"=\"\"\n\"D\"=dword:fedcba9a\n\"Flag\"=\"True\"\n\"N\"=\"-7\"\n\"Other\"=\"1\"\n"
              "\"X\"=\"1234,5\"\n\n");
    EXPECT_EQ(registry.GetUserString(kKey, "D"), D::Integer(-19088742));
    // DWORDs another program may leave: of no bytes, and of five (too long: read as missing).
    WriteFile(cu, "REGEDIT4\n[HKEY_CURRENT_USER\\" + kKey + "]\n\"N\"=hex(4):\n\"L\"=hex(4):1,2,3,4,5\n");
    for (const auto& [name, value] : {std::pair{"N", D::Integer(0)}, {"L", D()}})
        EXPECT_EQ(registry.GetUserString(kKey, name), value) << name;
    // The machine's keys other than Run live in its hive; a handle opened to read (0x1) refuses writes.
    registry.CreateRegistryKey("SOFTWARE\\Vendor", reg::Hive::LocalMachine);
    registry.SaveMachineString("SOFTWARE\\Vendor", "Voltara", "1");
    EXPECT_EQ(registry.GetMachineString("SOFTWARE\\Vendor", "Voltara"), D::Text("1"));
    reg::KeyHandle reader = 0;
    ASSERT_EQ(backend->CreateKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\Other", 0x1, &reader), reg::ERROR_SUCCESS);
    EXPECT_EQ(backend->SetValueEx(reader, "V", reg::REG_SZ, nullptr, 0), reg::ERROR_ACCESS_DENIED);
    backend->CloseKey(reader);
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\None", 0x1, &reader), reg::ERROR_FILE_NOT_FOUND);
    // A NUL inside has no place in an Exec line: refused, not reported as stored.
    ASSERT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, regkeys::Run, 0x3F, &reader), reg::ERROR_SUCCESS);
    EXPECT_EQ(backend->SetValueEx(reader, "Voltara", reg::REG_SZ, reinterpret_cast<const std::uint8_t*>("a\0b"), 3),
              reg::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(backend->SetValueEx(reader, "Voltara", reg::REG_SZ, nullptr, 0), reg::ERROR_SUCCESS);  // no NUL: off
    EXPECT_EQ(backend->SetValueEx(reader, "Two\nLines", reg::REG_SZ, nullptr, 0), reg::ERROR_INVALID_PARAMETER);
    backend->CloseKey(reader);
    EXPECT_TRUE(fs::remove(folder / "HKEY_CURRENT_USER.reg.my-copy.bak"));
    const auto mode = [](const fs::path& p) { return static_cast<unsigned>(fs::status(p).permissions()); };
    EXPECT_EQ((std::tuple{std::vector{mode(cu), mode(cu.string() + ".lock"), mode(folder), mode(folder.parent_path())},
                          Names(folder), backend->OpenHandles(), fs::exists(dir.path() / "elsewhere")}),
              std::tuple(std::vector{0600u, 0600u, 0700u, 0700u}, kJustTheStore, 0, false));
}

// A file that cannot be parsed is read as far as it goes; one too large to be a hive is not
// read at all. Either is kept aside as it was before it is first rewritten. AC On, stored without its NUL, reads whole.
TEST_F(FileRegistryTest, ADamagedFileIsKeptAsideAndWhatCouldBeReadGoesOn) {
    const std::string cutShort = "REGEDIT4\n[HKEY_CURRENT_USER\\" + kKey + "]\n\"AC On\"=hex(1):31\n\"AC Off\"=\"1";
    const std::string largest = cutShort + "\n;" + std::string((1 << 20) - cutShort.size() - 2, ' ');
    for (const std::string& damaged : {cutShort, largest, largest + ' '}) {
        fs::remove_all(folder);
        WriteFile(cu, damaged);
        const D acOn = registry.GetUserString(kKey, "AC On");
        EXPECT_EQ(acOn, damaged.size() <= largest.size() ? D::Text("1") : D());
        registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
        registry.SaveUserString(kKey, "Low Warning Percent", "15");
        registry.SaveUserString(kKey, "AC Off", "0");
        const auto names = Names(folder);  // the file, its copy as it was, the lock
        ASSERT_EQ(names.size(), 3u);
        EXPECT_TRUE(std::regex_match(names[1], std::regex(R"(HKEY_CURRENT_USER\.reg\.corrupt-\d{8}-\d{6})")) &&
                    ReadFile(folder / names[1]) == damaged);
        EXPECT_EQ(registry.GetUserString(kKey, "AC On"), acOn);
    }
}

// A write that cannot be done leaves the file as it was, and says so in the log: a hung holder of the lock has the
// write dropped rather than the program frozen; a file that cannot be read (an I/O error) is not replaced by what
// little is known; a damaged one on a full disk stays as it is, its copy not kept; where a folder refuses writes, the
// machine's keys open for reading only.
TEST_F(FileRegistryTest, AWriteThatCannotBeDoneLeavesTheSettingsAsTheyWere) {
    static std::string logged;
    vlog::SetSink([](vlog::Area, vlog::Level, const std::string& line) { logged += line + '\n'; });
    const auto save = [&](const char* value, const char* said, reg::Status error) {
        logged.clear();
        registry.SaveUserString(kKey, "Low Warning Percent", value);
        EXPECT_NE(logged.find(said), std::string::npos) << value << ": " << logged;
        EXPECT_TRUE(logged.ends_with("CURRENT_USER\\" + kKey + ": error " + std::to_string(error) + '\n')) << logged;
    };
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "Low Warning Percent", "15");
    registry.CreateRegistryKey("SOFTWARE\\Vendor", reg::Hive::LocalMachine);
    std::string before = ReadFile(cu);
    // Another open file description's lock blocks this process's writer as another process's would.
    const int holder = ::open((cu.string() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    save("20", "the write is dropped", reg::ERROR_ACCESS_DENIED);
    ::close(holder);
    save(std::string(1 << 20, '9').c_str(), "would not fit", reg::ERROR_WRITE_FAULT);  // in what a read takes
    EXPECT_EQ(ReadFile(cu), before);
    fs::remove(cu);
    fs::create_symlink("/proc/self/mem", cu);  // a regular file whose first read fails
    registry.CreateRegistryKey("Software\\Other", reg::Hive::CurrentUser);
    EXPECT_TRUE(fs::is_symlink(cu) && Names(folder) == kJustTheStore &&
                logged.ends_with("Other: error " + std::to_string(reg::ERROR_ACCESS_DENIED) + '\n'));
    fs::remove(cu);
    {
        FolderMount full(folder, FolderMount::Tiny);
        if (!full.Active()) GTEST_SKIP() << "cannot mount a small file system here";
        const std::string damaged = before + std::string(6 << 10, 'x');  // 6 KiB of the 8: no room for its copy
        WriteFile(cu, damaged);
        save("20", "Cannot keep a copy of the damaged", reg::ERROR_WRITE_FAULT);
        EXPECT_TRUE(ReadFile(cu) == damaged && Names(folder) == kJustTheStore);
    }
    WriteFile(cu, before);
    FolderMount readOnly(folder, FolderMount::ReadOnly), machineReadOnly(etc / "voltara", FolderMount::ReadOnly);
    if (!readOnly.Active() || !machineReadOnly.Active()) GTEST_SKIP() << "cannot make a folder read-only here";
    registry.SaveUserString(kKey, "Low Warning Percent", "20");
    EXPECT_TRUE(ReadFile(cu) == before && Names(folder) == kJustTheStore && backend->OpenHandles() == 0);
    reg::KeyHandle key = 0;
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\Vendor", 0x3F, &key), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\Vendor", 0x20019, &key), reg::ERROR_SUCCESS);
    vlog::SetSink(nullptr);
}

// The machine-wide folders are read-only, as to an ordinary user: the user's own entry takes
// the tick, and overrides theirs without editing them.
TEST_F(FileRegistryTest, TheUsersAutostartEntryOverridesTheMachineWideOnes) {
    const std::string live = "[Desktop Entry]\nExec=/usr/bin/voltara\n";
    const std::string hidden = "[Desktop Entry]\nType=Application\nName=Voltara\nHidden=true\n";
    // The machine's entries; whether they tick the box; the user's entries after ticking and unticking it.
    const std::tuple<std::map<std::string, std::string>, bool, std::vector<std::string>> cases[] = {
        {{}, false, {"voltara.desktop"}},
        {{{"site/voltara.desktop", hidden}, {"xdg/voltara.desktop", live}}, false, {"voltara.desktop"}},
        // An earlier version's name: a second entry to the session, hidden for the user too.
        {{{"xdg/Voltara.desktop", live}}, true, {"Voltara.desktop", "voltara.desktop"}},
        {{{"xdg/Voltara.desktop", hidden}, {"xdg/voltara.desktop", live}}, true, {"voltara.desktop"}}};
    for (const auto& [machineEntries, ticked, userEntries] : cases) {
        fs::remove_all(dir.path());
        fs::create_directories(etc);
        for (const auto& [file, content] : machineEntries) WriteFile(etc / file, content);
        FolderMount readOnly(etc, FolderMount::ReadOnly);
        if (!readOnly.Active()) GTEST_SKIP() << "cannot make a folder read-only here";
        EXPECT_EQ(!EqualsEmptyText(registry.GetMachineString(regkeys::Run, "Voltara")), ticked);
        registry.SaveMachineString(regkeys::Run, "Voltara", "/opt/Volt App/voltara");
        EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Voltara"), D::Text("/opt/Volt App/voltara"));
        EXPECT_EQ(ReadFile(user / "voltara.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Voltara\nExec=\"/opt/Volt App/voltara\"\n");
        registry.SaveMachineString(regkeys::Run, "Voltara", "");
        EXPECT_EQ(std::pair(Names(user), ReadFile(user / userEntries.front())), std::pair(userEntries, hidden));
    }
}

TEST(AutostartEntry, QuotesWhatTheDesktopEntrySpecificationReservesAndReadsOthersEntries) {
    const char* const program = "/opt/a\"b\\c/$x`/100%\n";
    EXPECT_EQ(AutostartRunKey::ExecFor(program), "\"/opt/a\\\\\"b\\\\\\\\c/\\\\$x\\\\`/100%%\\n\"");
    EXPECT_EQ(AutostartRunKey::ValueOfDesktopEntry(AutostartRunKey::DesktopEntryFor(program)), program);
    for (const auto& [entry, value] :
         {std::pair<const char*, const char*>{"[Desktop Entry]\nExec = voltara\t100%%\nHidden=false\n",
                                              "voltara\t100%"},
          {"[Desktop Entry]\nExec=\"/opt/a b/voltara\" -x\nTerminal=true\n[Desktop Action New]\nExec=other\n",
           "\"/opt/a b/voltara\" -x"},
          {"[Desktop Entry]\nExec=\"/opt/a b\n", "/opt/a b"},  // a quote left open ends with the line
          {"[Desktop Entry]\nExec=voltara\nX-GNOME-Autostart-enabled=false\r\n", ""},
          {"[Desktop Entry]\nExec=C:\\\n", "C:\\"}})  // a lone backslash kept
        EXPECT_EQ(AutostartRunKey::ValueOfDesktopEntry(entry), value);
}

TEST(FileRegistryPaths, FollowTheXdgBaseDirectories) {
    std::map<std::string, std::string> env{
        {"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "relative"}, {"XDG_CONFIG_DIRS", ":rel:/site:/etc/xdg"}};
    const auto lookup = [&](const char* name) { return env.count(name) ? std::optional(env[name]) : std::nullopt; };
    const auto p = FileRegistryPathsFromEnvironment(lookup);
    EXPECT_EQ(std::tuple(p.currentUserFile, p.localMachineFile, p.userAutostartFolder),
              std::tuple(fs::path("/home/ann/.config/voltara/HKEY_CURRENT_USER.reg"),
                         fs::path("/site/voltara/HKEY_LOCAL_MACHINE.reg"), fs::path("/home/ann/.config/autostart")));
    EXPECT_EQ(p.systemAutostartFolders, (std::vector<fs::path>{"/site/autostart", "/etc/xdg/autostart"}));
    env.erase("HOME");  // then the home folder the system keeps for the user
    EXPECT_EQ(FileRegistryPathsFromEnvironment(lookup).userAutostartFolder,
              fs::path(::getpwuid(::getuid())->pw_dir) / ".config/autostart");
}

}  // namespace
