// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusCommand.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>

#include "Log.h"
#include "ParentConsole.h"
#include "Platform.h"
#include "StatusReport.h"

namespace {

constexpr const char* Usage =
    "Usage: voltara [--status [--json] | --help | --version]\n"
    "Laptop battery monitor with a notification-area icon. Without an option it starts\n"
    "its window and icon; with one it prints and ends, without a window or a display.\n"
    "\n"
    "  --status         print what the main window shows now, in one line: the Battery\n"
    "                   Status, Battery Time and AC Power texts\n"
    "  --status --json  the same as one JSON object, with the numbers behind the texts\n"
    "  -h, --help       show this help\n"
    "  -v, --version    show the version\n";

// Qt's options for the window, which it takes with one dash or two.
constexpr std::string_view QtOptions[] = {
    "dialogs",       "display", "fontengine",    "geometry",        "platform",    "platformpluginpath",
    "platformtheme", "plugin",  "qmljsdebugger", "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "reverse",       "session", "style",         "stylesheet",      "widgetcount"};

bool IsQtOption(std::string_view argument) {
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    argument = argument.substr(0, argument.find('='));
    return std::find(std::begin(QtOptions), std::end(QtOptions), argument) != std::end(QtOptions);
}

// The report's log: the lines that tell why a value is missing or a read failed go to the
// error stream, each once (a settings file that cannot be read says so at every read).
void ToErrorStream(vlog::Area area, vlog::Level level, const std::string& message) {
    static std::set<std::string> written;
    if ((area == vlog::Area::Settings || level == vlog::Level::Warning) && written.insert(message).second)
        std::fprintf(stderr, "voltara: %s\n", message.c_str());
}

int PrintStatus(bool json) {
    vlog::SetSink(&ToErrorStream);
    auto settings = MakeSystemRegistry();
    auto power = MakeSystemPowerSource();
    const StatusReport report = ReadStatusReport(*power, *settings);
    // Half a status would read as a real one: a failed read of the power status prints nothing.
    if (!report.composed.complete) return 1;
    std::printf("%s\n", (json ? StatusJson(report) : StatusLine(report)).c_str());
    return 0;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, char* argv[]) {
    bool status = false, json = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--status") {
            status = true;
        } else if (argument == "--json") {
            json = true;
        } else if (const bool help = argument == "--help" || argument == "-h";
                   help || argument == "--version" || argument == "-v") {
            UseParentConsole();
            std::fputs(help ? Usage : "voltara " VOLTARA_VERSION "\n", stdout);
            return 0;
        } else if (argument.starts_with('-') && argument != "-" && !IsQtOption(argument)) {
            UseParentConsole();
            std::fprintf(stderr, "voltara: unknown option '%s'\nTry 'voltara --help' for more information.\n", argv[i]);
            return 2;
        }
    }
    if (json && !status) {
        UseParentConsole();
        std::fputs("voltara: --json goes with --status\nTry 'voltara --help' for more information.\n", stderr);
        return 2;
    }
    if (!status) return std::nullopt;
    UseParentConsole();
    return PrintStatus(json);
}
