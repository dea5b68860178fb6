// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <vector>

// What the desktop the program runs on offers, found at start; one file per platform.
namespace desktop {
// Whether to ask Qt for X11 (the xcb platform) before the application is made: in a Wayland
// session with an X server, unless the user chose a platform. Natively on Wayland the
// compositor places every window and keeps none on top, so the stored places and the strip
// above other windows would be lost.
bool RunThroughXWayland(int argc, char** argv);
// Whether the notification area reports a double click on the icon. StatusNotifierItem hosts
// report single clicks only; ask before the icon is made, as Qt chooses its protocol then.
bool TrayReportsDoubleClick();
// Whether the window system tells and takes the places of top-level windows (native Wayland
// does neither). Needs the application.
bool WindowPlacesKnown();
// Ends the startup feedback (GNOME's busy pointer) that a tray host begins when it hands the
// icon an activation token before a click or a menu choice: Qt keeps the token for its native
// Wayland windows only, so through XWayland nothing would answer it. Call after each.
void AnswerActivationToken();
// The X11 startup-notification "remove" message for a token, in the 20-byte pieces client
// messages carry, the last padded with NULs. Linux only.
std::vector<QByteArray> StartupRemovePieces(const QByteArray& token);
}  // namespace desktop
