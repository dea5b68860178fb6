// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/SysfsPowerReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "support/TempDir.h"

namespace fs = std::filesystem;
using Attributes = std::map<std::string, std::string>;

bool operator==(const PowerSupply& a, const PowerSupply& b) { return a.name == b.name && a.attributes == b.attributes; }

void Write(const fs::path& file, const std::string& value) { std::ofstream(file) << value << '\n'; }

// A folder laid out like /sys/class/power_supply: links to device folders, a file per attribute.
struct Sysfs {
    fs::path Device(const std::string& name, const Attributes& attributes) {
        fs::create_directories(dir.path() / "devices" / name), fs::create_directories(dir.path() / "class");
        for (const auto& [attribute, value] : attributes) Write(dir.path() / "devices" / name / attribute, value);
        fs::create_directory_symlink(dir.path() / "devices" / name, dir.path() / "class" / name);
        return dir.path() / "devices" / name;
    }
    TempDir dir;
};

// Only what the mapping uses is read, blanks around removed; an attribute that cannot be read (voltage_now), a page
// long (energy_now) or with a NUL byte is what it is, never more.
TEST(SysfsPowerReader, ReadsWhatTheMappingUsesAndNothingElse) {
    using namespace std::string_literals;
    Sysfs sysfs;
    const Attributes battery = {{"type", "Battery"},        {"status", "Discharging"},   {"capacity", "80"},
                                {"energy_now", "40000000"}, {"energy_full", "50000000"}, {"power_now", "10000000"}};
    const fs::path bat0 = sysfs.Device("BAT0", battery);
    Write(bat0 / "capacity", " 80 ");
    fs::create_directory(bat0 / "voltage_now");
    sysfs.Device(
        "BAT1",
        {{"type", "Battery\n"}, {"capacity", "42\0"s}, {"energy_now", std::string(5000, '9')}, {"energy_full", " "}});
    sysfs.Device("AC", {{"type", "Mains"}, {"online", "0"}, {"model_name", "x"}});

    SysfsPowerReader reader(sysfs.dir.path() / "class");
    EXPECT_EQ(reader.ReadSupplies(), (std::vector<PowerSupply>{{"AC", {{"type", "Mains"}, {"online", "0"}}},
                                                               {"BAT0", battery},
                                                               {"BAT1",
                                                                {{"type", "Battery"},
                                                                 {"capacity", "42\0"s},
                                                                 {"energy_now", std::string(4096, '9')},
                                                                 {"energy_full", ""}}}}));
    EXPECT_EQ(reader.BatteryLifeTime(), 14400);  // each value from the files that feed it

    // No folder at all is a failed read; an empty one (voltage_now here) is a machine without a battery.
    EXPECT_THROW(SysfsPowerReader(sysfs.dir.path() / "missing").BatteryStatus(), PowerReadError);
    EXPECT_EQ(SysfsPowerReader(bat0 / "voltage_now").BatteryStatus(), 128);
}

// A kept file whose name is gone reads as ENODEV, as a removed device's sysfs files do; a
// plain folder would go on serving the deleted file to whoever holds it open.
ssize_t SysfsRead(int fd, void* buffer, std::size_t size, off_t offset) {
    if (!fs::exists(fs::read_symlink("/proc/self/fd/" + std::to_string(fd)))) return errno = ENODEV, -1;
    return errno = EINTR, ::pread(fd, buffer, size, offset);  // errno as an earlier interrupted call left it
}

TEST(SysfsPowerReader, EveryValueReadsAfreshAndSuppliesComeAndGo) {
    Sysfs sysfs;
    const fs::path battery = sysfs.Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "50"}});
    Write(sysfs.Device("AC", {{"type", "Mains"}}) / "online", "1");
    SysfsPowerReader reader(sysfs.dir.path() / "class", &SysfsRead);
    EXPECT_EQ(reader.ACStatus(), 1);
    Write(battery / "capacity", "30");
    Write(sysfs.dir.path() / "devices/AC/online", "0");
    EXPECT_EQ((std::tuple{reader.BatteryStatus(), reader.ACStatus()}), std::tuple(2, 0));

    // Pulled, unreported: its files fail, and the supplies are learned again.
    fs::remove_all(battery);  // the class link now dangles, as while the kernel tears the device down
    EXPECT_EQ(reader.BatteryStatus(), 128);
    fs::remove(sysfs.dir.path() / "class/BAT0");

    // Back again: learned once its arrival is reported.
    sysfs.Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "29"}});
    fs::resize_file(battery / "status", 0);  // an attribute that reads empty
    EXPECT_EQ(reader.ReadSupplies().size(), 1u);
    reader.SuppliesChanged();
    EXPECT_EQ((std::tuple{reader.BatteryLifePercent(), reader.BatteryStatus()}), std::tuple(29, 2));
}
