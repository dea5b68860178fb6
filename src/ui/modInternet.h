// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include "Launcher.h"
#include "MessageBoxes.h"

class QWidget;

// Opens the maker's home page with the default web browser, the program the desktop opens
// an .HTM document with; and a new message to the maker with what the launcher finds for
// mail beside that document (on Windows the same browser).
namespace modInternet {

inline constexpr const char* HomePage = "https://voltara.quillfen.example/";
inline constexpr const char* MailAddress = "voltara@quillfen.example";

// What a launch needs from the outside world. owner is the window the messages belong to;
// an empty tempFolder means the system's.
struct Context {
    QWidget* owner;
    Launcher& launcher;
    MessageBoxes& messageBoxes;
    QString tempFolder;
};

// The home page address as host and path, without the scheme: the browser's argument.
QString HomePageWithoutScheme();

void OpenHomePage(const Context& context);
void OpenMailProgram(const Context& context);

}  // namespace modInternet
