// SPDX-License-Identifier: GPL-3.0-or-later
// FindExecutableA and ShellExecuteA as the About dialog's launching uses them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/TempDir.h"
#include "windows/WinShell.h"

namespace {

namespace fs = std::filesystem;

std::string Write(const fs::path& file, const char* text) {
    std::ofstream(file) << text;
    return file.string();
}

TEST(WinShell, FindsTheProgramForHtmlDocumentsOnly) {
    TempDir dir;
    const std::string browser =
        winshell::FindExecutableOf(Write(dir.path() / "temphtm.HTM", "\"<HTML> <\\HTML>\"\r\n"));
    ASSERT_FALSE(browser.empty());
    EXPECT_TRUE(fs::is_regular_file(browser)) << browser;

    EXPECT_EQ(winshell::FindExecutableOf(Write(dir.path() / "x.voltaratest-none", "x")), "");
    EXPECT_EQ(winshell::FindExecutableOf((dir.path() / "missing.HTM").string()), "");
}

TEST(WinShell, StartsTheProgramWithTheArgumentWithoutWaiting) {
    TempDir dir;
    const fs::path made = dir.path() / "made by cmd";
    ASSERT_TRUE(winshell::OpenWith("cmd.exe", "/c mkdir \"" + made.string() + "\"", nullptr));
    // The program runs on its own; give it time to do its one thing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(made) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(fs::is_directory(made));

    EXPECT_FALSE(winshell::OpenWith((dir.path() / "no such program.exe").string(), "x", nullptr));
}

}  // namespace
