// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Gives the standard output and error streams somewhere to go before a command-line option
// prints. A Windows program of the GUI subsystem starts without a console: it writes to the
// file or pipe the parent handed it, else to the console it was started from, else nowhere.
// Elsewhere the streams are already the parent's, and this does nothing.
void UseParentConsole();
