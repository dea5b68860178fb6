// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFile>
#include <QStringList>

#include "Launcher.h"

// Answers the lookups as told and writes down, for each lookup, which it was, its document,
// the document's access bits for group and others and its contents then; for each start,
// the program, argument and owner.
class FakeLauncher : public Launcher {
public:
    QString browser = QStringLiteral("/usr/bin/fakebrowser");  // what either lookup finds; empty: none
    bool startSucceeds = true;
    QStringList lookups, started;

    QString FindExecutable(const QString& document) override { return Look(document, "FindExecutable"); }
    QString FindMailProgram(const QString& document) override { return Look(document, "FindMailProgram"); }
    bool Start(const QString& program, const QString& argument, WId owner) override {
        started << program << argument << QString::number(owner);
        return startSucceeds;
    }

private:
    QString Look(const QString& document, const char* which) {
        QFile file(document);
        const QByteArray contents = file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>";
        lookups << which << document << QString::number(file.permissions() & 0xFF, 8) << contents;
        return browser;
    }
};
