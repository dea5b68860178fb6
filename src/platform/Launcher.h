// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QtGui/qwindowdefs.h>
#include <QString>
#include <memory>

// Finding and starting the program the desktop opens a document with.
class Launcher {
public:
    virtual ~Launcher() = default;
    // What opens this document by default, in the form Start takes: the program's path on
    // Windows, its desktop entry's file on Linux. Empty when none is registered for its type.
    virtual QString FindExecutable(const QString& document) = 0;
    // What opens "mailto:" addresses, in the same form, looked up beside the same document:
    // on Windows the document's program (the browser takes the address), on Linux the
    // desktop's handler for mailto:. Empty when there is none.
    virtual QString FindMailProgram(const QString& document) = 0;
    // Starts what a lookup found with the argument, directly (never through a shell),
    // without waiting for it. owner is the window that asks, for what the start may show.
    // False when it could not be started.
    virtual bool Start(const QString& program, const QString& argument, WId owner) = 0;
};

// The launcher of the platform the program runs on.
std::unique_ptr<Launcher> MakeLauncher();
