// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/WinShell.h"

// windows.h first: shellapi.h builds on what it declares.
#include <windows.h>

#include <shellapi.h>

namespace winshell {

std::string FindExecutableOf(const std::string& document) {
    // FindExecutableA may write MAX_PATH characters and the NUL.
    char result[MAX_PATH + 1] = {};
    const auto code = reinterpret_cast<INT_PTR>(FindExecutableA(document.c_str(), nullptr, result));
    if (code <= 32) return {};
    result[MAX_PATH] = '\0';
    return result;
}

bool OpenWith(const std::string& program, const std::string& argument, void* owner) {
    const auto code = reinterpret_cast<INT_PTR>(
        ShellExecuteA(static_cast<HWND>(owner), "open", program.c_str(), argument.c_str(), nullptr, SW_SHOWNORMAL));
    return code > 32;
}

}  // namespace winshell
