// SPDX-License-Identifier: GPL-3.0-or-later
// The file-backed registry: what it leaves on disk, and how it holds up against other
// processes, crashes and damaged files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "linux/FileRegistry.h"
#include "linux/PrivateFiles.h"
#include "modRegistry.h"
#include "support/FileFaults_linux.h"
#include "support/RegistryDatumPrinter.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
#define VOLTARA_ASAN
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOLTARA_ASAN
#endif
#endif

namespace {

const char* const kKey = "Software\\Quillfen\\Voltara\\Control Center";

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

unsigned ModeOf(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0xFFFF;
}

// Runs body in a child process and returns its exit code (-1 when it did not exit).
int InChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FileRegistryTest : public testing::Test {
protected:
    fs::path cuFile() const { return dir.path() / "config" / "voltara" / "HKEY_CURRENT_USER.reg"; }
    fs::path lmFile() const { return dir.path() / "xdg" / "voltara" / "HKEY_LOCAL_MACHINE.reg"; }
    fs::path autostart() const { return dir.path() / "config" / "autostart"; }
    fs::path machineAutostart() const { return dir.path() / "xdg" / "autostart"; }
    std::unique_ptr<FileRegistry> MakeBackend() const {
        return std::make_unique<FileRegistry>(cuFile(), lmFile(), AutostartRunKey(autostart(), {machineAutostart()}));
    }
    // The store and its lock, and nothing left behind beside them.
    static inline const std::vector<fs::path> kJustTheStore{"HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER.reg.lock"};
    std::vector<fs::path> FilesBeside() const {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(cuFile().parent_path())) files.push_back(e.path().filename());
        std::sort(files.begin(), files.end());
        return files;
    }
    std::vector<fs::path> SetAside() const {
        std::vector<fs::path> copies;
        for (const auto& e : fs::directory_iterator(cuFile().parent_path()))
            if (e.path().filename().string().rfind("HKEY_CURRENT_USER.reg.corrupt-", 0) == 0)
                copies.push_back(e.path());
        return copies;
    }

    TempDir dir;
    std::unique_ptr<FileRegistry> backend = MakeBackend();
    modRegistry registry{*backend};
};

TEST_F(FileRegistryTest, WritesAPrivateFileInTheEditorsFormatKeepingNameSpelling) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    // What a killed writer left behind is never read, and the next write clears it.
    WriteFile(cuFile().parent_path() / ".HKEY_CURRENT_USER.reg.tmp-Ab12Cd",
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kKey) + "]\n\"Stray\"=\"1\"\n");
    EXPECT_TRUE(registry.GetUserString(kKey, "Stray").IsEmpty());
    registry.SaveUserString(kKey, "AC On", "1");
    registry.SaveUserString("software\\quillfen\\voltara\\CONTROL CENTER", "Ac On", "0");
    EXPECT_EQ(ReadFile(cuFile()),
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Control Center]\n"
              "\"AC On\"=\"0\"\n\n");
    EXPECT_EQ(ModeOf(cuFile()), 0600u);
    EXPECT_EQ(ModeOf(cuFile().parent_path()), 0700u);
    EXPECT_EQ(ModeOf(cuFile().parent_path().parent_path()), 0700u);
    EXPECT_EQ(FilesBeside(), kJustTheStore);
    EXPECT_EQ(backend->OpenHandles(), 0);
}

TEST_F(FileRegistryTest, AMissingKeyReadsEmptyAndWritesCreateNothing) {
    registry.SaveUserString(kKey, "AC On", "1");
    EXPECT_TRUE(registry.GetUserString(kKey, "AC On").IsEmpty());
    EXPECT_FALSE(fs::exists(cuFile()));
    EXPECT_FALSE(fs::exists(cuFile().parent_path()));
}

TEST_F(FileRegistryTest, AKeyDeletedByAnotherProcessStaysDeleted) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "Low Warning Time", "10");
    reg::KeyHandle key = 0;
    ASSERT_EQ(backend->OpenKeyEx(reg::Hive::CurrentUser, kKey, 0x3F, &key), reg::ERROR_SUCCESS);

    auto doc = HiveDocument::Parse(ReadFile(cuFile()), "HKEY_CURRENT_USER").document;
    doc.DeleteKey(kKey);
    WriteFile(cuFile(), doc.Format());
    const std::string before = ReadFile(cuFile());

    EXPECT_EQ(registry.SetRegistryValue(key, "Low Warning Time", reg::REG_SZ, RegistryValue(5)),
              reg::ERROR_KEY_DELETED);
    RegistryDatum datum;
    EXPECT_EQ(registry.QueryRegistryValue(key, "Low Warning Time", datum), reg::ERROR_KEY_DELETED);
    backend->CloseKey(key);
    registry.SaveUserString(kKey, "Low Warning Time", "7");
    EXPECT_EQ(ReadFile(cuFile()), before);
}

// Written in place with its size and modification time kept, a file differs only in its
// change time, and not even in that when written within the clock tick of the last read.
TEST_F(FileRegistryTest, AChangeInPlaceKeepingSizeAndMtimeIsSeenAtTheNextRead) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    for (const bool aged : {false, true}) {
        registry.SaveUserString(kKey, "AC On", "1");
        if (aged) std::this_thread::sleep_for(std::chrono::milliseconds(30));  // a file a read may keep
        ASSERT_EQ(registry.GetUserString(kKey, "AC On"), RegistryDatum::Text("1"));
        struct stat before {};
        ASSERT_EQ(::stat(cuFile().c_str(), &before), 0);
        std::string text = ReadFile(cuFile());
        text[text.find("=\"1\"") + 2] = '2';
        std::ofstream(cuFile(), std::ios::binary) << text;  // truncated and rewritten, as some editors do
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, cuFile().c_str(), times, 0), 0);
        EXPECT_EQ(registry.GetUserString(kKey, "AC On"), RegistryDatum::Text("2")) << (aged ? "aged" : "fresh");
    }
}

TEST_F(FileRegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    constexpr int kEach = 60;
    std::vector<pid_t> writers;
    for (const char* prefix : {"A", "B"}) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            auto own = MakeBackend();  // each process with its own store, as two programs would
            modRegistry mine(*own);
            for (int i = 0; i < kEach; ++i) mine.SaveUserString(kKey, prefix + std::to_string(i), i);
            ::_exit(0);
        }
        writers.push_back(pid);
    }
    for (pid_t pid : writers) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char* prefix : {"A", "B"})
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(registry.GetUserString(kKey, prefix + std::to_string(i)), RegistryDatum::Text(std::to_string(i)))
                << prefix << i;
}

TEST_F(FileRegistryTest, AWriterKilledAtAnyPointLeavesAWholeFile) {
    const std::string payload(3000, 'p');
    std::mt19937 random(20261206);  // fixed, so a failing point can be found again
    std::uniform_int_distribution<int> pause(0, 40000);
    for (int round = 0; round < 16; ++round) {
        fs::remove(cuFile());
        registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
        const int delayUs = pause(random);
        const std::string prefix = "R" + std::to_string(round) + "V";
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            auto own = MakeBackend();
            modRegistry mine(*own);
            for (int i = 0;; ++i) {
                mine.SaveUserString(kKey, prefix + std::to_string(i), payload + std::to_string(i));
                if (i == 0 && ::write(started[1], "!", 1) != 1) ::_exit(1);
            }
        }
        char signal = 0;
        ASSERT_EQ(::read(started[0], &signal, 1), 1);
        ::close(started[0]);
        ::close(started[1]);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);

        const auto parsed = HiveDocument::Parse(ReadFile(cuFile()), "HKEY_CURRENT_USER");
        ASSERT_TRUE(parsed.wellFormed) << "killed after " << delayUs << " us";
        // Whatever was renamed into place is complete: R..V0 to R..Vn with no gap.
        const auto names = parsed.document.ValueNames(kKey);
        const auto count =
            std::count_if(names.begin(), names.end(), [&](const std::string& n) { return n.rfind(prefix, 0) == 0; });
        EXPECT_GT(count, 0);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(registry.GetUserString(kKey, prefix + std::to_string(i)),
                      RegistryDatum::Text(payload + std::to_string(i)))
                << "killed after " << delayUs << " us";
        // The next writer clears any temporary file the killed one left behind.
        registry.SaveUserString(kKey, "After", round);
        EXPECT_EQ(FilesBeside(), kJustTheStore);
        EXPECT_EQ(registry.GetUserString(kKey, "After"), RegistryDatum::Text(std::to_string(round)));
    }
}

struct Damage {
    const char* label;
    std::string content;
    bool readable;  // holds "Low Warning Percent"="15", which must survive
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.label; }

class CorruptFile : public FileRegistryTest, public testing::WithParamInterface<Damage> {};

TEST_P(CorruptFile, IsKeptAsideAndWhatCouldBeReadGoesOn) {
    const Damage& c = GetParam();
    const RegistryDatum fifteen = c.readable ? RegistryDatum::Text("15") : RegistryDatum();
    WriteFile(cuFile(), c.content);
    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), fifteen);

    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "AC On", "1");
    registry.SaveUserString(kKey, "AC Off", "1");

    const auto copies = SetAside();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_TRUE(ReadFile(copies.front()) == c.content);
    if (c.readable) {
        EXPECT_EQ(ModeOf(copies.front()), 0600u);  // a copy; the huge one is moved aside as it was
    }
    EXPECT_TRUE(HiveDocument::Parse(ReadFile(cuFile()), "HKEY_CURRENT_USER").wellFormed);
    EXPECT_LT(fs::file_size(cuFile()), 1000u);
    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), fifteen);
    EXPECT_EQ(registry.GetUserString(kKey, "AC On"), RegistryDatum::Text("1"));
}

const std::string kReadable =
    "[HKEY_CURRENT_USER\\Software\\Quillfen\\Voltara\\Control Center]\n\"Low Warning Percent\"=\"15\"\n";

std::string TenMegabytesOfNoise() {
    std::string noise(10 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : noise) c = static_cast<char>(random());
    return noise;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CorruptFile,
    testing::Values(Damage{"cutShort", "REGEDIT4\n\n" + kReadable + "\"Low Warning Time\"=\"1", true},
                    Damage{"binary",
                           std::string("\x7F"
                                       "ELF\x02\x01\x01\n") +
                               kReadable + std::string("\0\xff\xfe garbage", 12),
                           true},
                    Damage{"otherHeader", "Windows Registry Editor Version 5.00\n\n" + kReadable, true},
                    Damage{"tenMegabytesOfNoise", TenMegabytesOfNoise(), false}),
    [](const testing::TestParamInfo<Damage>& tested) { return tested.param.label; });

// Files the reader takes, as large as it reads (1 MiB), built to cost as much as they can:
// each must load in memory and time that grow with its size, not faster, and a write must
// leave a file that reads back. The limits below are ten times what a load needs; a load
// that outgrows them aborts the child, as start-up would with bad_alloc.
struct Costly {
    const char* label;
    std::string (*body)();  // what follows kReadable
    bool writable;          // whether a write can be stored at all
};

void PrintTo(const Costly& c, std::ostream* os) { *os << c.label; }

// Lines made by line(i) for i = 0, 1, ... while they fit in about 1 MiB with kReadable.
template <typename Line>
std::string Fill(Line line) {
    std::string text;
    for (int i = 0;; ++i) {
        std::string next = line(i);
        if (text.size() + next.size() > (1 << 20) - (64 << 10)) return text;
        text += next;
    }
}

class CostlyFile : public FileRegistryTest, public testing::WithParamInterface<Costly> {};

TEST_P(CostlyFile, LoadsInBoundedMemoryAndStaysReadableAfterAWrite) {
    WriteFile(cuFile(), "REGEDIT4\n\n" + kReadable + GetParam().body());
    const int outcome = InChild([&] {
        ::alarm(120);
#ifndef VOLTARA_ASAN  // AddressSanitizer reserves terabytes of address space
        const rlimit memory{std::size_t(1) << 30, std::size_t(1) << 30};  // address space, not resident memory
        if (::setrlimit(RLIMIT_AS, &memory) != 0) return 90;
#endif
        if (registry.GetUserString(kKey, "Low Warning Percent") != RegistryDatum::Text("15")) return 1;
        registry.SaveUserString(kKey, "AC On", "1");
        if (registry.GetUserString(kKey, "Low Warning Percent") != RegistryDatum::Text("15")) return 2;
        return registry.GetUserString(kKey, "AC On") ==
                       (GetParam().writable ? RegistryDatum::Text("1") : RegistryDatum())
                   ? 0
                   : 3;
    });
    EXPECT_EQ(outcome, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CostlyFile,
    testing::Values(
        Costly{"onePathOfManyShortSegments",
               [] { return "[HKEY_CURRENT_USER\\a" + Fill([](int) { return std::string("\\a"); }) + "]\n"; }, true},
        Costly{"manyPathsOfTheGreatestDepth",
               [] {
                   return Fill([](int i) {
                       std::string line = "[HKEY_CURRENT_USER\\" + std::to_string(i);
                       for (int level = 1; level < 512; ++level) line += "\\a";
                       return line + "]\n";
                   });
               },
               true},
        Costly{"manyKeysAndValues",
               [] {
                   return Fill([](int i) {
                       return "[HKEY_CURRENT_USER\\" + std::to_string(i) + "]\n\"v" + std::to_string(i) + "\"=\"\"\n";
                   });
               },
               true},
        Costly{"oneLongLine", [] { return "\"Long\"=\"" + std::string((1 << 20) - (64 << 10), 'x') + "\"\n"; }, true},
        Costly{"valuesThatGrowWhenWritten",
               [] { return Fill([](int i) { return "\"" + std::to_string(i) + "\"=dword:1\n"; }); }, false}),
    [](const testing::TestParamInfo<Costly>& tested) { return tested.param.label; });

// Something that is not a file stands where the file should be. Reading it must neither
// block (a FIFO without a writer) nor run on for ever (a device), and nothing replaces it.
enum class NotAFile { Folder, Fifo, LinkToEndlessDevice };

class InTheFilesPlace : public FileRegistryTest, public testing::WithParamInterface<NotAFile> {};

TEST_P(InTheFilesPlace, SomethingElseIsReadAsEmptyAndNeverReplaced) {
    fs::create_directories(cuFile().parent_path());
    switch (GetParam()) {
        case NotAFile::Folder: fs::create_directory(cuFile()); break;
        case NotAFile::Fifo: ASSERT_EQ(::mkfifo(cuFile().c_str(), 0600), 0); break;
        case NotAFile::LinkToEndlessDevice: fs::create_symlink("/dev/zero", cuFile()); break;
    }
    const auto kind = fs::symlink_status(cuFile()).type();
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "AC On", "1");
    EXPECT_EQ(fs::symlink_status(cuFile()).type(), kind);
    EXPECT_TRUE(registry.GetUserString(kKey, "AC On").IsEmpty());
    EXPECT_EQ(backend->OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, InTheFilesPlace,
                         testing::Values(NotAFile::Folder, NotAFile::Fifo, NotAFile::LinkToEndlessDevice));

TEST_F(FileRegistryTest, LinksInTheStoresPlaceAreReplacedNeverWrittenThrough) {
    // Someone else's files, which a link in the store's place points at: the hive file
    // at a settings file, the lock file at a file that does not exist yet.
    const fs::path theirs = dir.path() / "other" / "settings.reg";
    const fs::path notYet = dir.path() / "other" / "created-by-a-lock";
    const std::string theirContent =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kKey) + "]\n\"Low Warning Percent\"=\"15\"\n\n";
    WriteFile(theirs, theirContent);
    fs::permissions(theirs, fs::perms(0644));
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(theirs.c_str(), 65534, 65534), 0);
    }
    fs::create_directories(cuFile().parent_path());
    fs::create_symlink(theirs, cuFile());
    fs::create_symlink(notYet, cuFile().string() + ".lock");

    // Read through the link, as a settings file kept elsewhere would be...
    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), RegistryDatum::Text("15"));
    // ...but a write puts a private file of our own in the link's place.
    registry.SaveUserString(kKey, "AC On", "1");
    EXPECT_EQ(ReadFile(theirs), theirContent);
    EXPECT_FALSE(fs::exists(notYet));
    EXPECT_EQ(fs::symlink_status(cuFile()).type(), fs::file_type::regular);
    EXPECT_EQ(fs::symlink_status(cuFile().string() + ".lock").type(), fs::file_type::regular);
    EXPECT_EQ(ModeOf(cuFile()), 0600u);
    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), RegistryDatum::Text("15"));
    EXPECT_EQ(registry.GetUserString(kKey, "AC On"), RegistryDatum::Text("1"));
}

TEST_F(FileRegistryTest, AReadOnlyFolderKeepsItsSettingsAndRefusesWritesQuietly) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "Low Warning Percent", "15");
    const std::string before = ReadFile(cuFile());
    ReadOnlyFolder readOnly(cuFile().parent_path());
    if (!readOnly.Active()) GTEST_SKIP() << "cannot make a folder read-only here";

    reg::KeyHandle key = 0;
    ASSERT_EQ(backend->OpenKeyEx(reg::Hive::CurrentUser, kKey, 0x3F, &key), reg::ERROR_SUCCESS);
    EXPECT_NE(registry.SetRegistryValue(key, "AC On", reg::REG_SZ, RegistryValue("1")), reg::ERROR_SUCCESS);
    backend->CloseKey(key);
    registry.SaveUserString(kKey, "Low Warning Percent", "20");
    registry.CreateRegistryKey(regkeys::Window, reg::Hive::CurrentUser);

    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), RegistryDatum::Text("15"));
    EXPECT_TRUE(registry.GetUserString(kKey, "AC On").IsEmpty());
    EXPECT_EQ(backend->OpenKeyEx(reg::Hive::CurrentUser, regkeys::Window, 0x3F, &key), reg::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ReadFile(cuFile()), before);
    EXPECT_EQ(FilesBeside(), kJustTheStore);
    EXPECT_EQ(backend->OpenHandles(), 0);
}

TEST_F(FileRegistryTest, AHungHolderOfTheLockFailsTheWriteInsteadOfFreezingIt) {
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "Low Warning Percent", "15");
    // A lock of another open file description blocks this process's writer as another
    // process's would; it is never let go while the write runs.
    const int holder = ::open((cuFile().string() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const int outcome = InChild([&] {
        ::alarm(60);  // a writer that waits for ever is killed here
        registry.SaveUserString(kKey, "Low Warning Percent", "20");
        return registry.GetUserString(kKey, "Low Warning Percent") == RegistryDatum::Text("15") ? 0 : 1;
    });
    ::close(holder);
    EXPECT_EQ(outcome, 0);
    registry.SaveUserString(kKey, "Low Warning Percent", "20");
    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), RegistryDatum::Text("20"));
}

// Two ways a write runs out of room: a small file system that is full (where this
// process may mount one), and a file size limit, which fails a write the same way
// (EFBIG instead of ENOSPC) and needs no privilege.
enum class NoRoom { FullFileSystem, FileSizeLimit };

class DiskFull : public FileRegistryTest, public testing::WithParamInterface<NoRoom> {};

TEST_P(DiskFull, AWriteWithoutRoomLeavesTheOldFileWholeAndWorksOnceThereIsRoom) {
    const std::string big(8000, 'b');
    std::unique_ptr<SmallFileSystem> small;
    if (GetParam() == NoRoom::FullFileSystem) {
        small = std::make_unique<SmallFileSystem>(cuFile().parent_path(), "16k");
        if (!small->Active()) GTEST_SKIP() << "cannot mount a file system here";
    }
    registry.CreateRegistryKey(kKey, reg::Hive::CurrentUser);
    registry.SaveUserString(kKey, "Low Warning Percent", "15");
    const std::string before = ReadFile(cuFile());

    if (GetParam() == NoRoom::FullFileSystem) {
        ASSERT_TRUE(small->FillUp());
        registry.SaveUserString(kKey, "Big", big);
    } else {
        const int failed = InChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{before.size() + 100, RLIM_INFINITY};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 90;
            auto own = MakeBackend();
            modRegistry mine(*own);
            mine.SaveUserString(kKey, "Big", big);
            return mine.GetUserString(kKey, "Low Warning Percent") == RegistryDatum::Text("15") ? 0 : 1;
        });
        ASSERT_EQ(failed, 0);
    }
    EXPECT_EQ(ReadFile(cuFile()), before);
    EXPECT_TRUE(registry.GetUserString(kKey, "Big").IsEmpty());
    auto files = FilesBeside();
    std::erase(files, "filler");
    EXPECT_EQ(files, kJustTheStore);

    if (small) fs::remove(cuFile().parent_path() / "filler");
    registry.SaveUserString(kKey, "Big", big);
    EXPECT_EQ(registry.GetUserString(kKey, "Big"), RegistryDatum::Text(big));
    EXPECT_EQ(registry.GetUserString(kKey, "Low Warning Percent"), RegistryDatum::Text("15"));
}

INSTANTIATE_TEST_SUITE_P(Faults, DiskFull, testing::Values(NoRoom::FullFileSystem, NoRoom::FileSizeLimit));

// Run as an ordinary user where the tests run as root.
TEST_F(FileRegistryTest, MachineKeysNeedWriteAccessToOpenFullyButTheRunEntryIsTheUsersOwn) {
    modRegistry& r = registry;
    r.CreateRegistryKey("SOFTWARE\\Vendor", reg::Hive::LocalMachine);
    r.SaveMachineString("SOFTWARE\\Vendor", "Shared", "yes");
    ASSERT_EQ(r.GetMachineString("SOFTWARE\\Vendor", "Shared"), RegistryDatum::Text("yes"));
    WriteFile(machineAutostart() / "voltara.desktop", AutostartRunKey::DesktopEntryFor("/usr/bin/voltara"));

    // Let an unprivileged user see, but not change, the machine's places; the user's are theirs.
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(dir.path() / "xdg", fs::perms(0555));
    fs::permissions(lmFile().parent_path(), fs::perms(0555));
    fs::permissions(lmFile(), fs::perms(0644));
    fs::create_directories(autostart().parent_path());
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(autostart().parent_path().c_str(), 65534, 65534), 0);
    }
    const int failed = InChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 90;
        auto own = MakeBackend();
        modRegistry mine(*own);
        reg::KeyHandle key = 0;
        if (own->OpenKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\Vendor", 0x3F, &key) != reg::ERROR_ACCESS_DENIED)
            return 1;
        if (key != 0) return 2;
        if (!mine.GetMachineString("SOFTWARE\\Vendor", "Shared").IsEmpty()) return 3;
        if (mine.GetMachineString(regkeys::Run, "Voltara") != RegistryDatum::Text("/usr/bin/voltara")) return 4;
        mine.SaveMachineString(regkeys::Run, "Voltara", "");
        if (mine.GetMachineString(regkeys::Run, "Voltara") != RegistryDatum::Text("")) return 5;
        // Reading alone (KEY_READ) is allowed.
        if (own->OpenKeyEx(reg::Hive::LocalMachine, "SOFTWARE\\Vendor", 0x20019, &key) != reg::ERROR_SUCCESS) return 6;
        RegistryDatum datum;
        if (mine.QueryRegistryValue(key, "Shared", datum) != reg::ERROR_SUCCESS) return 7;
        if (datum != RegistryDatum::Text("yes")) return 8;
        if (mine.SetRegistryValue(key, "Shared", reg::REG_SZ, RegistryValue("")) != reg::ERROR_ACCESS_DENIED) return 9;
        own->CloseKey(key);
        return 0;
    });
    fs::permissions(dir.path() / "xdg", fs::perms(0755));
    fs::permissions(lmFile().parent_path(), fs::perms(0700));
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(ReadFile(machineAutostart() / "voltara.desktop"), AutostartRunKey::DesktopEntryFor("/usr/bin/voltara"));
}

TEST_F(FileRegistryTest, RunKeyOpensOnlyWhereTheAutostartFolderCanBeMade) {
    reg::KeyHandle key = 0;
    ASSERT_EQ(backend->OpenKeyEx(reg::Hive::LocalMachine, regkeys::Run, 0x3F, &key), reg::ERROR_SUCCESS);
    backend->CloseKey(key);
    EXPECT_FALSE(fs::exists(autostart()));  // opening alone makes no folder

    // A file in the way: even root cannot make the folder.
    WriteFile(dir.path() / "blocked", "");
    FileRegistry blocked(cuFile(), lmFile(), AutostartRunKey(dir.path() / "blocked" / "autostart", {}));
    key = 0;
    EXPECT_EQ(blocked.OpenKeyEx(reg::Hive::LocalMachine, regkeys::Run, 0x3F, &key), reg::ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, 0u);
}

TEST(FileRegistryPaths, FollowTheXdgBaseDirectories) {
    struct Case {
        std::map<std::string, std::string> env;
        const char* cu;
        const char* lm;
        const char* autostart;
        std::vector<fs::path> machineAutostart;
    };
    const Case cases[] = {
        {{{"HOME", "/home/ann"}},
         "/home/ann/.config/voltara/HKEY_CURRENT_USER.reg",
         "/etc/xdg/voltara/HKEY_LOCAL_MACHINE.reg",
         "/home/ann/.config/autostart",
         {"/etc/xdg/autostart"}},
        {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_CONFIG_DIRS", "/opt/xdg:/etc/xdg"}},
         "/cfg/voltara/HKEY_CURRENT_USER.reg",
         "/opt/xdg/voltara/HKEY_LOCAL_MACHINE.reg",
         "/cfg/autostart",
         {"/opt/xdg/autostart", "/etc/xdg/autostart"}},
        {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "relative"}, {"XDG_CONFIG_DIRS", ":rel:/site"}},
         "/home/ann/.config/voltara/HKEY_CURRENT_USER.reg",
         "/site/voltara/HKEY_LOCAL_MACHINE.reg",
         "/home/ann/.config/autostart",
         {"/site/autostart"}},
        {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", ""}, {"XDG_CONFIG_DIRS", ""}},
         "/home/ann/.config/voltara/HKEY_CURRENT_USER.reg",
         "/etc/xdg/voltara/HKEY_LOCAL_MACHINE.reg",
         "/home/ann/.config/autostart",
         {"/etc/xdg/autostart"}},
    };
    for (const auto& c : cases) {
        const auto paths = FileRegistryPathsFromEnvironment([&](const char* name) -> std::optional<std::string> {
            auto it = c.env.find(name);
            return it == c.env.end() ? std::nullopt : std::optional<std::string>(it->second);
        });
        EXPECT_EQ(paths.currentUserFile, c.cu);
        EXPECT_EQ(paths.localMachineFile, c.lm);
        EXPECT_EQ(paths.userAutostartFolder, c.autostart);
        EXPECT_EQ(paths.systemAutostartFolders, c.machineAutostart);
    }
}

}  // namespace
