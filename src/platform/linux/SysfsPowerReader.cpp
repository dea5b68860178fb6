// SPDX-License-Identifier: GPL-3.0-or-later
#include "linux/SysfsPowerReader.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

#include "Log.h"

namespace {

int OpenAttribute(const std::filesystem::path& file) { return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

void Debug(const std::string& message) { vlog::Debug(vlog::Area::Power, message); }

}  // namespace

SysfsPowerReader::Fd& SysfsPowerReader::Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

SysfsPowerReader::Fd::~Fd() {
    if (fd_ >= 0) ::close(fd_);
}

SysfsPowerReader::SysfsPowerReader(std::filesystem::path folder, ReadAt readAt,
                                   std::chrono::steady_clock::duration relearnPeriod)
    : folder_(std::move(folder)), readAt_(readAt), relearnPeriod_(relearnPeriod) {}

// One attribute without its newline and surrounding blanks. Attributes are at most a page;
// a sysfs file read again at offset 0 gives the value of this moment.
int SysfsPowerReader::ReadFile(int fd, std::string& value) const {
    std::array<char, 4096> buffer;
    ssize_t size;
    do {
        size = readAt_(fd, buffer.data(), buffer.size(), 0);
    } while (size < 0 && errno == EINTR);
    if (size < 0) return errno;

    const std::string_view text(buffer.data(), static_cast<std::size_t>(size));
    const std::string_view blank = " \t\r\n";
    const auto first = text.find_first_not_of(blank);
    if (first == std::string_view::npos) {
        value.clear();
    } else {
        value.assign(text.substr(first, text.find_last_not_of(blank) - first + 1));
    }
    return 0;
}

void SysfsPowerReader::Learn() {
    std::vector<Supply> learned;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder_, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::filesystem::path& folder = it->path();
        Fd typeFd(OpenAttribute(folder / "type"));
        std::string type;
        if (const int error = typeFd.get() < 0 ? errno : ReadFile(typeFd.get(), type)) {
            Debug("Cannot read " + (folder / "type").string() + ": " + std::strerror(error) + "; supply left out");
            continue;
        }
        Supply supply{folder.filename().string(), std::move(type), std::nullopt, std::move(typeFd), {}};
        if (const Fd scope(OpenAttribute(folder / "scope")); scope.get() >= 0) {
            std::string text;
            if (ReadFile(scope.get(), text) == 0) supply.scope = text;
        }
        for (const AttributeUse& use : AttributesUsed(supply.type, supply.scope.value_or(""))) {
            Fd fd(OpenAttribute(folder / use.name));
            const int error = errno;
            if (fd.get() >= 0) {
                supply.files.push_back({use.name, use.values, std::move(fd)});
            } else if (error != ENOENT) {
                Debug("Cannot open " + (folder / use.name).string() + ": " + std::strerror(error));
            }
        }
        // A supply the mapping only needs to recognise (a mouse, one of unknown type) keeps no file open.
        if (supply.files.empty()) supply.typeFd = Fd();
        learned.push_back(std::move(supply));
    }
    if (ec) {
        // The kernel's class folder is there on every machine, batteries or not: without it
        // nothing is known, which is not the same as knowing there is no battery.
        const std::string what = "Cannot read " + folder_.string() + ": " + ec.message();
        Debug(what);
        throw PowerReadError(what);
    }
    std::sort(learned.begin(), learned.end(), [](const Supply& a, const Supply& b) { return a.name < b.name; });
    supplies_ = std::move(learned);
    stale_ = false;
    learnedAt_ = std::chrono::steady_clock::now();
}

bool SysfsPowerReader::ReadSupply(Supply& supply, unsigned values, PowerSupply& into) {
    into = PowerSupply{supply.name, {{"type", supply.type}}};
    if (supply.scope) into.attributes.emplace("scope", *supply.scope);
    std::string value;
    for (File& file : supply.files) {
        if (!(file.values & values)) continue;
        const int error = ReadFile(file.fd.get(), value);
        if (error == 0) {
            into.attributes.emplace(file.name, value);
            file.failing = false;
            continue;
        }
        // A removed device's files all fail; a gauge may refuse one value and answer the rest.
        if (ReadFile(supply.typeFd.get(), value) != 0) return false;
        if (!file.failing)
            Debug("Cannot read " + (folder_ / supply.name / file.name).string() + ": " + std::strerror(error));
        file.failing = true;
    }
    return true;
}

std::vector<PowerSupply> SysfsPowerReader::ReadLearned(unsigned values, bool& allThere) {
    std::vector<PowerSupply> read;
    read.reserve(supplies_.size());
    allThere = true;
    for (Supply& supply : supplies_) {
        PowerSupply now;
        if (ReadSupply(supply, values, now)) {
            read.push_back(std::move(now));
        } else {
            Debug(supply.name + " is gone");
            allThere = false;
        }
    }
    return read;
}

std::vector<PowerSupply> SysfsPowerReader::Read(unsigned values) {
    if (std::chrono::steady_clock::now() - learnedAt_ >= relearnPeriod_) stale_ = true;
    if (stale_) Learn();
    bool allThere = true;
    std::vector<PowerSupply> read = ReadLearned(values, allThere);
    if (allThere) return read;
    Learn();
    read = ReadLearned(values, allThere);
    // Gone again right after learning: left out now, looked for again at the next read.
    if (!allThere) stale_ = true;
    return read;
}
