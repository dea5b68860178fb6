// SPDX-License-Identifier: GPL-3.0-or-later
// The Run entry "Voltara" as the user's XDG autostart entry.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "linux/AutostartRunKey.h"
#include "linux/FileRegistry.h"
#include "modRegistry.h"
#include "support/FileFaults_linux.h"
#include "support/RegistryDatumPrinter.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const std::string& content) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

// Every file under the folder, with its content.
std::map<fs::path, std::string> FilesUnder(const fs::path& folder) {
    std::map<fs::path, std::string> files;
    if (fs::exists(folder))
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file()) files[e.path()] = ReadFile(e.path());
    return files;
}

// What desktop-file-validate says of the entry; empty when it has nothing to say.
std::string Validate(const std::string& entry) {
    TempDir dir;
    const fs::path file = dir.path() / "entry.desktop";
    WriteFile(file, entry);
    std::string said;
    FILE* run = ::popen(("desktop-file-validate '" + file.string() + "' 2>&1; echo \"exit $?\"").c_str(), "r");
    if (!run) return "cannot run desktop-file-validate";
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, run)) said += buffer;
    ::pclose(run);
    return said == "exit 0\n" ? std::string() : said;
}

const char* const kProgram = "/opt/Volt App/voltara";
const std::string kLive = "[Desktop Entry]\nType=Application\nName=Voltara\nExec=/usr/bin/voltara\n";
const std::string kHidden = "[Desktop Entry]\nType=Application\nName=Voltara\nHidden=true\n";

class RunEntry : public testing::Test {
protected:
    // The user's autostart folder, and two machine-wide ones, the first more important.
    fs::path user() const { return dir.path() / "config" / "autostart"; }
    fs::path machine() const { return dir.path() / "etc"; }
    std::unique_ptr<FileRegistry> Backend() const {
        return std::make_unique<FileRegistry>(
            dir.path() / "cu.reg", machine() / "xdg" / "voltara" / "HKEY_LOCAL_MACHINE.reg",
            AutostartRunKey(user(), {machine() / "site" / "autostart", machine() / "xdg" / "autostart"}));
    }

    TempDir dir;
    std::unique_ptr<FileRegistry> backend = Backend();
    modRegistry registry{*backend};
};

// What an administrator or an earlier version left in the machine-wide folders.
struct Desktop {
    const char* label;
    std::map<fs::path, std::string> machineEntries;  // under machine()
    bool ticked;
    std::vector<fs::path> userEntries;  // the user's, after ticking and unticking
};

void PrintTo(const Desktop& d, std::ostream* os) { *os << d.label; }

class StartAtLogIn : public RunEntry, public testing::WithParamInterface<Desktop> {};

// The machine-wide folders are read-only, as they are to an ordinary user: the user's own
// entry takes the tick, and overrides theirs without editing them.
TEST_P(StartAtLogIn, TheUsersOwnEntryOverridesTheMachineWideOnes) {
    const Desktop& c = GetParam();
    for (const auto& [file, content] : c.machineEntries) WriteFile(machine() / file, content);
    fs::create_directories(machine());
    const auto before = FilesUnder(machine());
    ReadOnlyFolder readOnly(machine());
    if (!readOnly.Active()) GTEST_SKIP() << "cannot make a folder read-only here";

    // Each step with a store of its own, as after a restart.
    const auto stored = [&] { return modRegistry(*Backend()).GetMachineString(regkeys::Run, "Voltara"); };
    const auto save = [&](const char* value) {
        modRegistry(*Backend()).SaveMachineString(regkeys::Run, "Voltara", value);
    };
    EXPECT_EQ(!EqualsEmptyText(stored()), c.ticked);
    save(kProgram);
    EXPECT_EQ(stored(), RegistryDatum::Text(kProgram));
    EXPECT_EQ(ReadFile(user() / "voltara.desktop"), AutostartRunKey::DesktopEntryFor(kProgram));
    save("");
    EXPECT_EQ(stored(), RegistryDatum::Text(""));

    EXPECT_EQ(FilesUnder(machine()), before);
    std::vector<fs::path> entries;
    for (const auto& [file, content] : FilesUnder(user())) {
        entries.push_back(file.filename());
        EXPECT_EQ(content, kHidden) << file;
    }
    EXPECT_EQ(entries, c.userEntries);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, StartAtLogIn,
    testing::Values(
        Desktop{"nothing", {}, false, {"voltara.desktop"}},
        Desktop{"administratorsEntry", {{"xdg/autostart/voltara.desktop", kLive}}, true, {"voltara.desktop"}},
        Desktop{"firstFolderCounts",
                {{"site/autostart/voltara.desktop", kHidden}, {"xdg/autostart/voltara.desktop", kLive}},
                false,
                {"voltara.desktop"}},
        // An earlier version's name: a second entry to the session, hidden for the user too.
        Desktop{"earlierVersionsEntry",
                {{"xdg/autostart/Voltara.desktop", kLive}},
                true,
                {"Voltara.desktop", "voltara.desktop"}},
        Desktop{"earlierVersionsEntryOff", {{"xdg/autostart/Voltara.desktop", kHidden}}, false, {"voltara.desktop"}}),
    [](const testing::TestParamInfo<Desktop>& tested) { return tested.param.label; });

TEST_F(RunEntry, OtherRunValuesLiveInTheMachineHive) {
    registry.SaveMachineString("software\\microsoft\\windows\\currentversion\\run", "Other", "x");
    EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Other"), RegistryDatum::Text("x"));
    EXPECT_FALSE(fs::exists(user()));
    EXPECT_NE(ReadFile(backend->FileOf(reg::Hive::LocalMachine))
                  .find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n\"Other\"=\"x\""),
              std::string::npos);
}

TEST_F(RunEntry, OnlyAPlainTextFitsTheEntry) {
    reg::KeyHandle key = 0;
    ASSERT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, regkeys::Run, 0x3F, &key), reg::ERROR_SUCCESS);
    EXPECT_EQ(registry.SetRegistryValue(key, "Voltara", reg::REG_DWORD, RegistryValue(1)),
              reg::ERROR_INVALID_PARAMETER);
    const std::uint8_t withNul[] = {'a', 0, 'b', 0};
    EXPECT_EQ(backend->SetValueEx(key, "Voltara", reg::REG_SZ, withNul, 4), reg::ERROR_INVALID_PARAMETER);
    backend->CloseKey(key);
    EXPECT_FALSE(fs::exists(user()));
}

TEST(AutostartExec, QuotesWhatTheSpecificationReservesAndReadsItBack) {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/voltara", "/usr/bin/voltara"},
        {"/opt/my app/voltara", "\"/opt/my app/voltara\""},
        {"/opt/a\"b/voltara", "\"/opt/a\\\\\"b/voltara\""},
        {"/opt/a\\b/voltara", "\"/opt/a\\\\\\\\b/voltara\""},
        {"/opt/$HOME`x`/v", "\"/opt/\\\\$HOME\\\\`x\\\\`/v\""},
        {"/opt/100%/v", "/opt/100%%/v"},
        {"/opt/it's/v", "\"/opt/it's/v\""},
        {"/opt/two\nlines", "\"/opt/two\\nlines\""},
        {"/opt/tab\there", "\"/opt/tab\\there\""},
    };
    for (const auto& [program, exec] : cases) {
        EXPECT_EQ(AutostartRunKey::ExecFor(program), exec);
        EXPECT_EQ(AutostartRunKey::CommandOfExec(exec), program) << exec;
        EXPECT_EQ(AutostartRunKey::ValueOfDesktopEntry(AutostartRunKey::DesktopEntryFor(program)), program);
        EXPECT_EQ(Validate(AutostartRunKey::DesktopEntryFor(program)), "") << program;
    }
    EXPECT_EQ(Validate(AutostartRunKey::DesktopEntryFor("")), "");
}

TEST(AutostartExec, ReadsEntriesWrittenByOthers) {
    const std::pair<const char*, const char*> cases[] = {
        {"[Desktop Entry]\nExec = /usr/bin/voltara --tray\n", "/usr/bin/voltara --tray"},
        {"# note\n[Desktop Entry]\nExec=voltara\nX-GNOME-Autostart-enabled=false\n", ""},
        {"[Desktop Entry]\nExec=voltara\nX-GNOME-Autostart-enabled=true\nHidden=false\n", "voltara"},
        {"[Desktop Entry]\nExec=voltara\n[Desktop Action Quit]\nExec=killall voltara\n", "voltara"},
        {"Exec=outside\n[Desktop Entry]\nName=Voltara\n", ""},
        {"\x01\x02 not a desktop file", ""},
    };
    for (const auto& [content, value] : cases)
        EXPECT_EQ(AutostartRunKey::ValueOfDesktopEntry(content), value) << content;
}

TEST(AutostartRunKey, KnowsTheRunKeyInAnyCase) {
    EXPECT_TRUE(AutostartRunKey::IsRunKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
    EXPECT_TRUE(AutostartRunKey::IsRunKey("software\\microsoft\\windows\\currentversion\\RUN\\"));
    EXPECT_FALSE(AutostartRunKey::IsRunKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce"));
    EXPECT_TRUE(AutostartRunKey::IsRunKeyOrAbove("Software\\Microsoft"));
    EXPECT_FALSE(AutostartRunKey::IsRunKeyOrAbove("Software\\Micro"));
    EXPECT_FALSE(AutostartRunKey::IsRunKeyOrAbove("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\Sub"));
}

}  // namespace
