// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/SysfsPowerReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string_view>

namespace {

namespace fs = std::filesystem;

// A folder laid out like /sys/class/power_supply: links to device folders, a file per attribute.
class SysfsPowerReaderTest : public ::testing::Test {
protected:
    fs::path Device(const std::string& name, const std::map<std::string, std::string>& attributes) {
        fs::path device = dir_.path() / "devices" / name;
        fs::create_directories(device);
        for (const auto& [attribute, value] : attributes) Write(device / attribute, value);
        fs::create_directories(ClassFolder());
        fs::create_directory_symlink(device, ClassFolder() / name);
        return device;
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

    SysfsPowerReader reader(ClassFolder());
    auto supplies = reader.ReadSupplies();
    ASSERT_EQ(supplies.size(), 3u);
    EXPECT_EQ(supplies[0].name, "AC");
    EXPECT_EQ(supplies[0].attributes, (std::map<std::string, std::string>{{"type", "Mains"}, {"online", "0"}}));
    EXPECT_EQ(supplies[1].attributes.at("capacity"), "80");
    EXPECT_EQ(supplies[1].attributes.count("manufacturer"), 0u);
    EXPECT_EQ(supplies[2].attributes.size(), 2u);  // a peripheral: type and scope only

    EXPECT_EQ(reader.ACStatus(), 0);
    EXPECT_EQ(reader.BatteryStatus(), 1);
    EXPECT_EQ(reader.BatteryLifePercent(), 80);
    EXPECT_EQ(reader.BatteryLifeTime(), 14400);
}

// A kept file whose name is gone reads as ENODEV, as a removed device's sysfs files do; a
// plain folder would go on serving the deleted file to whoever holds it open.
ssize_t SysfsRead(int fd, void* buffer, std::size_t size, off_t offset) {
    char target[4096];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
    if (n > 0 && std::string_view(target, static_cast<std::size_t>(n)).ends_with(" (deleted)")) {
        errno = ENODEV;
        return -1;
    }
    return ::pread(fd, buffer, size, offset);
}

TEST_F(SysfsPowerReaderTest, EveryValueReadsAfreshAndSuppliesComeAndGo) {
    fs::path battery = Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "50"}});
    fs::path adapter = Device("AC", {{"type", "Mains"}, {"online", "1"}});
    SysfsPowerReader reader(ClassFolder(), &SysfsRead);
    EXPECT_EQ(reader.BatteryStatus(), 0);
    EXPECT_EQ(reader.ACStatus(), 1);

    // Between two reads of one refresh.
    Write(battery / "capacity", "30");
    Write(adapter / "online", "0");
    EXPECT_EQ(reader.BatteryStatus(), 2);
    EXPECT_EQ(reader.ACStatus(), 0);

    // Pulled, unreported: its files fail, and the supplies are learned again.
    fs::remove_all(battery);  // the class link now dangles, as while the kernel tears the device down
    EXPECT_EQ(reader.BatteryStatus(), 128);
    EXPECT_EQ(reader.BatteryLifeTime(), -1);
    EXPECT_EQ(reader.ACStatus(), 0);
    fs::remove(ClassFolder() / "BAT0");

    // Back again: learned once its arrival is reported...
    Device("BAT0", {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "29"}});
    EXPECT_EQ(reader.ReadSupplies().size(), 1u);
    reader.SuppliesChanged();
    EXPECT_EQ(reader.BatteryLifePercent(), 29);
    EXPECT_EQ(reader.BatteryStatus(), 2);

    // ...or, unreported, once the last learning is a while old (here at once).
    SysfsPowerReader unreported(ClassFolder(), &SysfsRead, std::chrono::seconds(0));
    EXPECT_EQ(unreported.ReadSupplies().size(), 2u);
    Device("BAT1", {{"type", "Battery"}});
    EXPECT_EQ(unreported.ReadSupplies().size(), 3u);
}

struct GarbageCase {
    const char* what;
    std::map<std::string, std::string> battery;
    std::map<std::string, std::string> adapter;  // none when empty
    PowerStatus expected;
};

class GarbageAttributes : public SysfsPowerReaderTest, public ::testing::WithParamInterface<GarbageCase> {};

// Whatever a broken driver or gauge writes, the four values stay within what their
// readers know, and a value that makes no sense counts as unknown.
TEST_P(GarbageAttributes, GiveUnknownValuesNeverNonsense) {
    const auto& c = GetParam();
    Device("BAT0", c.battery);
    if (!c.adapter.empty()) Device("AC", c.adapter);
    SysfsPowerReader reader(ClassFolder());
    EXPECT_EQ(reader.ReadStatus(), c.expected) << c.what;
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Faults, GarbageAttributes,
    ::testing::Values(GarbageCase{"binary capacity",
                                  {{"type", "Battery"},
                                   {"status", "Discharging"},
                                   {"capacity", "\xff\xfe\0junk"s},
                                   {"energy_now", "30"},
                                   {"energy_full", "60"}},
                                  {},
                                  {0, 0, 50, -1}},
                      GarbageCase{"numbers beyond 64 bits and negative energies",
                                  {{"type", "Battery"},
                                   {"status", "Discharging"},
                                   {"capacity", "99999999999999999999"},
                                   {"energy_now", "-1"},
                                   {"energy_full", "18446744073709551616"},
                                   {"power_now", "-9223372036854775808"}},
                                  {},
                                  {0, 255, 255, -1}},
                      GarbageCase{"NUL bytes inside values",
                                  {{"type", "  Battery \n\n"}, {"status", "Discharging\0x"s}, {"capacity", "42\0"s}},
                                  {},
                                  {255, 255, 255, -1}},
                      GarbageCase{"an adapter that does not say whether it is online",
                                  {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "80"}},
                                  {{"type", "Mains"}, {"online", "yes"}},
                                  {0, 1, 80, -1}},
                      GarbageCase{"an attribute longer than a page",
                                  {{"type", "Battery"}, {"status", "Full"}, {"capacity", std::string(5000, '9')}},
                                  {},
                                  {1, 255, 255, -1}}));

TEST_F(SysfsPowerReaderTest, UnreadableAttributesAreAbsent) {
    fs::path battery = Device("BAT0", {{"type", "Battery"}, {"energy_now", "30"}, {"energy_full", "60"}});
    fs::create_directory(battery / "capacity");  // open succeeds, read fails
    SysfsPowerReader reader(ClassFolder());
    auto supplies = reader.ReadSupplies();
    ASSERT_EQ(supplies.size(), 1u);
    EXPECT_EQ(supplies[0].attributes.count("capacity"), 0u);
    EXPECT_EQ(reader.BatteryLifePercent(), 50);

    // No folder at all is a failed read; an empty one is a machine without a battery.
    EXPECT_THROW(SysfsPowerReader(dir_.path() / "missing").BatteryStatus(), PowerReadError);
    fs::create_directory(dir_.path() / "empty");
    EXPECT_EQ(SysfsPowerReader(dir_.path() / "empty").BatteryStatus(), 128);
}

}  // namespace
