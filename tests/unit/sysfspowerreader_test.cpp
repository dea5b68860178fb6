// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/SysfsPowerReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "support/TempDir.h"

bool operator==(const PowerSupply& a, const PowerSupply& b) { return a.name == b.name && a.attributes == b.attributes; }

namespace {

namespace fs = std::filesystem;
using Attributes = std::map<std::string, std::string>;

// A folder laid out like /sys/class/power_supply: links to device folders, a file per attribute.
class SysfsPowerReaderTest : public ::testing::Test {
protected:
    fs::path Device(const std::string& name, const Attributes& attributes) {
        const fs::path device = dir_.path() / "devices" / name;
        fs::create_directories(device);
        fs::create_directories(classFolder_);
        for (const auto& [attribute, value] : attributes) Write(device / attribute, value);
        fs::create_directory_symlink(device, classFolder_ / name);
        return device;
    }
    static void Write(const fs::path& file, const std::string& value) { std::ofstream(file) << value << '\n'; }

    TempDir dir_;
    const fs::path classFolder_ = dir_.path() / "class";
};

// Only what the mapping uses is read, blanks around removed; an attribute that cannot be read (voltage_now), a page
// long (energy_now) or with a NUL byte is what it is, never more.
TEST_F(SysfsPowerReaderTest, ReadsWhatTheMappingUsesAndNothingElse) {
    using namespace std::string_literals;
    const Attributes battery = {{"type", "Battery"},        {"status", "Discharging"},   {"capacity", "80"},
                                {"energy_now", "40000000"}, {"energy_full", "50000000"}, {"power_now", "10000000"}};
    Device("BAT0", battery);
    Write(dir_.path() / "devices/BAT0/capacity", " 80 ");
    Write(dir_.path() / "devices/BAT0/manufacturer", "SANYO");
    fs::create_directory(dir_.path() / "devices/BAT0/voltage_now");
    Device("BAT1", {{"type", "Battery\n"}, {"capacity", "42\0"s}, {"energy_now", std::string(5000, '9')}});
    Device("AC", {{"type", "Mains"}, {"online", "0"}, {"model_name", "x"}});
    Device("hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "4"}});

    SysfsPowerReader reader(classFolder_);
    EXPECT_EQ(reader.ReadSupplies(),
              (std::vector<PowerSupply>{
                  {"AC", {{"type", "Mains"}, {"online", "0"}}},
                  {"BAT0", battery},
                  {"BAT1", {{"type", "Battery"}, {"capacity", "42\0"s}, {"energy_now", std::string(4096, '9')}}},
                  {"hidpp_battery_0", {{"type", "Battery"}, {"scope", "Device"}}}}));
    EXPECT_EQ(reader.ACStatus(), 0);
    EXPECT_EQ(reader.BatteryStatus(), 1);
    EXPECT_EQ(reader.BatteryLifePercent(), 80);
    EXPECT_EQ(reader.BatteryLifeTime(), 14400);

    // No folder at all is a failed read; an empty one (voltage_now here) is a machine without a battery.
    EXPECT_THROW(SysfsPowerReader(dir_.path() / "missing").BatteryStatus(), PowerReadError);
    EXPECT_EQ(SysfsPowerReader(dir_.path() / "devices/BAT0/voltage_now").BatteryStatus(), 128);
}

// A kept file whose name is gone reads as ENODEV, as a removed device's sysfs files do; a
// plain folder would go on serving the deleted file to whoever holds it open.
ssize_t SysfsRead(int fd, void* buffer, std::size_t size, off_t offset) {
    if (!fs::exists(fs::read_symlink("/proc/self/fd/" + std::to_string(fd)))) return errno = ENODEV, -1;
    return ::pread(fd, buffer, size, offset);
}

TEST_F(SysfsPowerReaderTest, EveryValueReadsAfreshAndSuppliesComeAndGo) {
    const fs::path battery = Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "50"}});
    Device("AC", {{"type", "Mains"}, {"online", "1"}});
    SysfsPowerReader reader(classFolder_, &SysfsRead);
    EXPECT_EQ(reader.BatteryStatus(), 0);
    EXPECT_EQ(reader.ACStatus(), 1);
    Write(battery / "capacity", "30");
    Write(dir_.path() / "devices/AC/online", "0");
    EXPECT_EQ(reader.BatteryStatus(), 2);
    EXPECT_EQ(reader.ACStatus(), 0);

    // Pulled, unreported: its files fail, and the supplies are learned again.
    fs::remove_all(battery);  // the class link now dangles, as while the kernel tears the device down
    EXPECT_EQ(reader.BatteryStatus(), 128);
    fs::remove(classFolder_ / "BAT0");

    // Back again: learned once its arrival is reported, or unreported once the last learning is a while old.
    Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "29"}});
    EXPECT_EQ(reader.ReadSupplies().size(), 1u);
    reader.SuppliesChanged();
    EXPECT_EQ(reader.BatteryLifePercent(), 29);
    SysfsPowerReader unreported(classFolder_, &SysfsRead, std::chrono::seconds(0));
    EXPECT_EQ(unreported.ReadSupplies().size(), 2u);
    Device("BAT1", {{"type", "Battery"}});
    EXPECT_EQ(unreported.ReadSupplies().size(), 3u);
}

}  // namespace
