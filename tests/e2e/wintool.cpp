// SPDX-License-Identifier: GPL-3.0-or-later
// What Windows tells other programs about the windows on the screen, for the end-to-end tests under Wine:
//   wintool windows         one line a top-level window: X window id, visible, x,y,w,h, class, text (ASCII)
//   wintool endsession 0|1  the end of the session, cancelled (0) or not, told to every window of the
//                           process of the window titled Voltara; prints each WM_QUERYENDSESSION answer
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

BOOL CALLBACK List(HWND window, LPARAM) {
    wchar_t name[256] = {}, text[256] = {};
    GetClassNameW(window, name, 256);
    // Asked of the window itself: a tooltip's text is what it shows, not its title.
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%llu\t%d\t%ld,%ld,%ld,%ld\t%ls\t%ls\n",
                reinterpret_cast<unsigned long long>(GetPropW(window, L"__wine_x11_whole_window")),
                IsWindowVisible(window) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top, name, text);
    return TRUE;
}

BOOL CALLBACK EndSession(HWND window, LPARAM arg) {
    const DWORD* wanted = reinterpret_cast<const DWORD*>(arg);
    DWORD process = 0;
    DWORD_PTR answer = 0;
    if (GetWindowThreadProcessId(window, &process), process != wanted[0]) return TRUE;
    if (SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &answer))
        std::printf("%llu\n", static_cast<unsigned long long>(answer));
    SendMessageTimeoutW(window, WM_ENDSESSION, wanted[1], ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, nullptr);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "windows") return !EnumWindows(List, 0);
    DWORD wanted[2] = {0, argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 0};
    if (command != "endsession" || !GetWindowThreadProcessId(FindWindowW(nullptr, L"Voltara"), &wanted[0]))
        return std::fputs("usage: wintool windows | endsession 0|1 (with a window titled Voltara)\n", stderr), 2;
    EnumWindows(EndSession, reinterpret_cast<LPARAM>(wanted));
    return 0;
}
