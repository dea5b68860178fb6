// SPDX-License-Identifier: GPL-3.0-or-later
// The Run entry "Voltara" as an XDG autostart file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "linux/AutostartRunKey.h"
#include "linux/FileRegistry.h"
#include "modRegistry.h"
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

class RunEntry : public testing::Test {
protected:
    fs::path autostart() const { return dir.path() / "xdg" / "autostart"; }
    fs::path entry() const { return autostart() / "Voltara.desktop"; }

    TempDir dir;
    FileRegistry backend{dir.path() / "cu.reg", dir.path() / "xdg" / "voltara" / "HKEY_LOCAL_MACHINE.reg", autostart()};
    modRegistry registry{backend};
};

TEST_F(RunEntry, OnIsADesktopEntryThatStartsTheProgramOffAHiddenOne) {
    EXPECT_TRUE(registry.GetMachineString(regkeys::Run, "Voltara").IsEmpty());
    registry.SaveMachineString(regkeys::Run, "Voltara", "/opt/Volt App/voltara");
    EXPECT_EQ(ReadFile(entry()), "[Desktop Entry]\nType=Application\nName=Voltara\nExec=\"/opt/Volt App/voltara\"\n");
    struct stat st {};
    ASSERT_EQ(::stat(entry().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    ASSERT_EQ(::stat(autostart().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    EXPECT_EQ(registry.GetMachineString(regkeys::Run, "voltara"), RegistryDatum::Text("/opt/Volt App/voltara"));

    // Switched off: a hidden entry, read as the empty text.
    registry.SaveMachineString(regkeys::Run, "Voltara", "");
    EXPECT_EQ(ReadFile(entry()), "[Desktop Entry]\nType=Application\nName=Voltara\nHidden=true\n");
    const RegistryDatum datum = registry.GetMachineString(regkeys::Run, "Voltara");
    EXPECT_TRUE(datum.IsText());
    EXPECT_TRUE(EqualsEmptyText(datum));
}

TEST_F(RunEntry, OtherRunValuesLiveInTheMachineHive) {
    registry.SaveMachineString("software\\microsoft\\windows\\currentversion\\run", "Other", "x");
    EXPECT_EQ(registry.GetMachineString(regkeys::Run, "Other"), RegistryDatum::Text("x"));
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_NE(ReadFile(backend.FileOf(reg::Hive::LocalMachine))
                  .find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n\"Other\"=\"x\""),
              std::string::npos);
}

TEST_F(RunEntry, OnlyAPlainTextFitsTheEntry) {
    reg::KeyHandle key = 0;
    ASSERT_EQ(backend.OpenKeyEx(reg::Hive::LocalMachine, regkeys::Run, 0x3F, &key), reg::ERROR_SUCCESS);
    EXPECT_EQ(registry.SetRegistryValue(key, "Voltara", reg::REG_DWORD, RegistryValue(1)),
              reg::ERROR_INVALID_PARAMETER);
    const std::uint8_t withNul[] = {'a', 0, 'b', 0};
    EXPECT_EQ(backend.SetValueEx(key, "Voltara", reg::REG_SZ, withNul, 4), reg::ERROR_INVALID_PARAMETER);
    backend.CloseKey(key);
    EXPECT_FALSE(fs::exists(entry()));
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
    }
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
