// SPDX-License-Identifier: GPL-3.0-or-later
#include "Launcher.h"

#include <QDir>

#include "windows/WinShell.h"

namespace {

std::string Ansi(const QString& text) { return text.toLocal8Bit().toStdString(); }

class ShellLauncher final : public Launcher {
public:
    QString FindExecutable(const QString& document) override {
        const std::string program = winshell::FindExecutableOf(Ansi(QDir::toNativeSeparators(document)));
        return QString::fromLocal8Bit(QByteArray::fromStdString(program));
    }

    // Where a browser is the only program looked up, as FindExecutableA on the document gives.
    QString FindMailProgram(const QString& document) override { return FindExecutable(document); }

    bool Start(const QString& program, const QString& argument, WId owner) override {
        return winshell::OpenWith(Ansi(QDir::toNativeSeparators(program)), Ansi(argument),
                                  reinterpret_cast<void*>(owner));
    }
};

}  // namespace

std::unique_ptr<Launcher> MakeLauncher() { return std::make_unique<ShellLauncher>(); }
