// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <memory>

// Finding and starting the program the desktop opens a document with.
class Launcher {
public:
    virtual ~Launcher() = default;
    // The full path of the program that opens this document by default; empty when
    // none is registered for its type.
    virtual QString FindExecutable(const QString& document) = 0;
    // Starts the program with one argument, directly (never through a shell), without
    // waiting for it. False when it could not be started.
    virtual bool Start(const QString& program, const QString& argument) = 0;
};

// The launcher of the platform the program runs on.
std::unique_ptr<Launcher> MakeLauncher();
