// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/SysfsPowerReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using Attributes = std::map<std::string, std::string>;

// A folder laid out like /sys/class/power_supply: links to device folders, a file per attribute.
class SysfsPowerReaderTest : public ::testing::Test {
protected:
    fs::path Device(const std::string& name, const Attributes& attributes) {
        fs::create_directories(dir_.path() / "devices" / name);
        for (const auto& [attribute, value] : attributes) Write(dir_.path() / "devices" / name / attribute, value);
        fs::create_directories(ClassFolder());
        fs::create_directory_symlink(dir_.path() / "devices" / name, ClassFolder() / name);
        return dir_.path() / "devices" / name;
    }
    static void Write(const fs::path& file, const std::string& value) { std::ofstream(file) << value << '\n'; }
    fs::path ClassFolder() const { return dir_.path() / "class"; }

    TempDir dir_;
};

TEST_F(SysfsPowerReaderTest, ReadsWhatTheMappingUsesAndNothingElse) {
    Device("BAT0", {{"type", "Battery"},
                    {"status", "Discharging"},
                    {"capacity", " 80 "},
                    {"energy_now", "40000000"},
                    {"energy_full", "50000000"},
                    {"power_now", "10000000"},
                    {"manufacturer", "SANYO"}});
    Device("AC", {{"type", "Mains"}, {"online", "0"}, {"model_name", "x"}});
    Device("hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "4"}});
    fs::create_directory(dir_.path() / "devices" / "BAT0" / "voltage_now");  // opens, but reading fails

    SysfsPowerReader reader(ClassFolder());
    const auto supplies = reader.ReadSupplies();
    ASSERT_EQ(supplies.size(), 3u);
    EXPECT_EQ(supplies[0].attributes, (Attributes{{"type", "Mains"}, {"online", "0"}}));
    EXPECT_EQ(supplies[1].attributes, (Attributes{{"type", "Battery"},
                                                  {"status", "Discharging"},
                                                  {"capacity", "80"},
                                                  {"energy_now", "40000000"},
                                                  {"energy_full", "50000000"},
                                                  {"power_now", "10000000"}}));
    EXPECT_EQ(supplies[2].attributes, (Attributes{{"type", "Battery"}, {"scope", "Device"}}));
    EXPECT_EQ(reader.ACStatus(), 0);
    EXPECT_EQ(reader.BatteryStatus(), 1);
    EXPECT_EQ(reader.BatteryLifePercent(), 80);
    EXPECT_EQ(reader.BatteryLifeTime(), 14400);

    // No folder at all is a failed read; an empty one (voltage_now here) is a machine without a battery.
    EXPECT_THROW(SysfsPowerReader(dir_.path() / "missing").BatteryStatus(), PowerReadError);
    EXPECT_EQ(SysfsPowerReader(dir_.path() / "devices" / "BAT0" / "voltage_now").BatteryStatus(), 128);
}

// A kept file whose name is gone reads as ENODEV, as a removed device's sysfs files do; a
// plain folder would go on serving the deleted file to whoever holds it open.
ssize_t SysfsRead(int fd, void* buffer, std::size_t size, off_t offset) {
    if (!fs::exists(fs::read_symlink("/proc/self/fd/" + std::to_string(fd)))) return errno = ENODEV, -1;
    return ::pread(fd, buffer, size, offset);
}

TEST_F(SysfsPowerReaderTest, EveryValueReadsAfreshAndSuppliesComeAndGo) {
    fs::path battery = Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "50"}});
    fs::path adapter = Device("AC", {{"type", "Mains"}, {"online", "1"}});
    SysfsPowerReader reader(ClassFolder(), &SysfsRead);
    EXPECT_EQ(reader.BatteryStatus(), 0);
    EXPECT_EQ(reader.ACStatus(), 1);
    Write(battery / "capacity", "30");
    Write(adapter / "online", "0");
    EXPECT_EQ(reader.BatteryStatus(), 2);
    EXPECT_EQ(reader.ACStatus(), 0);

    // Pulled, unreported: its files fail, and the supplies are learned again.
    fs::remove_all(battery);  // the class link now dangles, as while the kernel tears the device down
    EXPECT_EQ(reader.BatteryStatus(), 128);
    EXPECT_EQ(reader.BatteryLifeTime(), -1);
    fs::remove(ClassFolder() / "BAT0");

    // Back again: learned once its arrival is reported, or unreported once the last learning is a while old.
    Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "29"}});
    EXPECT_EQ(reader.ReadSupplies().size(), 1u);
    reader.SuppliesChanged();
    EXPECT_EQ(reader.BatteryLifePercent(), 29);
    SysfsPowerReader unreported(ClassFolder(), &SysfsRead, std::chrono::seconds(0));
    EXPECT_EQ(unreported.ReadSupplies().size(), 2u);
    Device("BAT1", {{"type", "Battery"}});
    EXPECT_EQ(unreported.ReadSupplies().size(), 3u);
}

// Values with NUL bytes or longer than a page count as unknown, never as nonsense.
TEST_F(SysfsPowerReaderTest, GarbageGivesUnknownValues) {
    using namespace std::string_literals;
    Device("BAT0", {{"type", "  Battery \n\n"}, {"status", "Discharging\0x"s}, {"capacity", "42\0"s}});
    Device("BAT1", {{"type", "Battery"}, {"status", "Full"}, {"capacity", std::string(5000, '9')}});
    EXPECT_EQ(SysfsPowerReader(ClassFolder()).ReadStatus(), (PowerStatus{1, 255, 255, -1}));
}

}  // namespace
