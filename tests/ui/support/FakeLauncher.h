// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFile>
#include <QStringList>

#include "Launcher.h"

// Answers the lookups as told; no program starts. Writes down, for each lookup, which it was,
// the document's folder and type, its access bits for group and others (Unix; on Windows
// the user's temporary folder keeps it private) and contents then.
class FakeLauncher : public Launcher {
public:
    QString browser = QStringLiteral("/usr/bin/fakebrowser");  // what either lookup finds; empty: none
    QStringList lookups;

    QString FindExecutable(const QString& document) override { return Look(document, "FindExecutable"); }
    QString FindMailProgram(const QString& document) override { return Look(document, "FindMailProgram"); }
    bool Start(const QString&, const QString&, WId) override { return false; }  // a made-up program
    QString Look(const QString& document, const char* which) {
        QFile file(document);
        const QFileInfo place(document);
        lookups << which << place.path() + "/*." + place.suffix();
#ifndef Q_OS_WIN
        lookups << QString::number(file.permissions() & 0xFF, 8);
#endif
        lookups << (file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>");
        return browser;
    }
};
