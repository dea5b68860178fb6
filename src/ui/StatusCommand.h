// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>

// The command-line options, decided before anything of the GUI exists: --status [--json],
// --help and --version run without a window or a display and give the exit status; an
// unknown option is an error (status 2). Nothing when the program is to start its window;
// Qt's own options (-platform, -style and the like) are left to it.
std::optional<int> RunCommandLine(int argc, char* argv[]);
