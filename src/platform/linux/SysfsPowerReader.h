// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "LearnedSupplies.h"
#include "PowerSource.h"
#include "PowerSupplyMapping.h"

// The kernel's power-supply class as the power source. The supplies and the attribute
// files the mapping uses are learned once, and again when supplies come or go; the files
// stay open, and each value re-reads at offset 0 only the files that feed it. So every
// value is still read afresh at every use, for a few system calls.
//
// The supplies are learned again when udev reports one added or removed (SuppliesChanged),
// when a kept file fails as a removed device's do, and when the last learning is older than
// relearnPeriod: a minute, the refresh timer's period, so at most one folder scan per timer
// refresh and none within a burst of uevent-driven ones. That last one is for a supply that
// comes where no uevent says so (no udev daemon, a sandbox, an overflowing queue): it waits
// at most a refresh. One that goes is noticed at once anyway, as its files fail.
class SysfsPowerReader final : public PowerSource, public LearnedSupplies {
public:
    // How a kept file is read again: pread, or a test's faults in its place.
    using ReadAt = ssize_t (*)(int fd, void* buffer, std::size_t size, off_t offset);

    explicit SysfsPowerReader(std::filesystem::path folder = "/sys/class/power_supply", ReadAt readAt = &::pread,
                              std::chrono::steady_clock::duration relearnPeriod = std::chrono::minutes(1));

    // The supplies, sorted by name, each with its type, its scope and the attributes the
    // mapping uses that could be read now. A folder that cannot be read is a failed read
    // (PowerReadError).
    std::vector<PowerSupply> ReadSupplies() { return Read(powervalue::All); }
    PowerStatus ReadStatus() { return MapPowerSupplies(ReadSupplies()); }

    std::int16_t ACStatus() override { return MapPowerSupplies(Read(powervalue::ACStatus)).acStatus; }
    std::int16_t BatteryStatus() override { return MapPowerSupplies(Read(powervalue::BatteryStatus)).batteryStatus; }
    std::int16_t BatteryLifePercent() override {
        return MapPowerSupplies(Read(powervalue::BatteryLifePercent)).batteryLifePercent;
    }
    std::int32_t BatteryLifeTime() override {
        return MapPowerSupplies(Read(powervalue::BatteryLifeTime)).batteryLifeTime;
    }

    void SuppliesChanged() override { stale_ = true; }

private:
    // An open file descriptor, closed with its owner.
    class Fd {
    public:
        explicit Fd(int fd = -1) : fd_(fd) {}
        Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
        Fd& operator=(Fd&& other) noexcept;
        ~Fd();
        int get() const { return fd_; }

    private:
        int fd_;
    };
    struct File {
        std::string name;
        unsigned values;  // powervalue bits it feeds
        Fd fd;
        bool failing = false;
    };
    struct Supply {
        std::string name;
        std::string type;
        std::optional<std::string> scope;
        Fd typeFd;  // kept to tell a failing attribute from a supply that is gone
        std::vector<File> files;
    };

    std::vector<PowerSupply> Read(unsigned values);
    // The learned supplies that are still there; allThere tells whether one is gone.
    std::vector<PowerSupply> ReadLearned(unsigned values, bool& allThere);
    // False when the supply is gone (its files fail as a removed device's do).
    bool ReadSupply(Supply& supply, unsigned values, PowerSupply& into);
    void Learn();
    // 0, or the errno of the failed read.
    int ReadFile(int fd, std::string& value) const;

    std::filesystem::path folder_;
    ReadAt readAt_;
    std::chrono::steady_clock::duration relearnPeriod_;
    std::vector<Supply> supplies_;
    bool stale_ = true;
    std::chrono::steady_clock::time_point learnedAt_;
};
