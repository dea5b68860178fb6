// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFile>
#include <QString>
#include <vector>

#include "Launcher.h"

// Answers the lookups as told and records what was started, and which lookup was asked
// and what its document looked like meanwhile.
class FakeLauncher : public Launcher {
public:
    QString browser = QStringLiteral("/usr/bin/fakebrowser");  // what either lookup finds; empty: none
    bool startSucceeds = true;

    struct Lookup {
        QString document;
        bool existed;
        QByteArray contents;
        QFile::Permissions permissions;
        bool mail;  // FindMailProgram, not FindExecutable
    };
    std::vector<Lookup> lookups;
    struct Started {
        QString program;
        QString argument;
        WId owner;
    };
    std::vector<Started> started;

    QString FindExecutable(const QString& document) override { return Look(document, false); }
    QString FindMailProgram(const QString& document) override { return Look(document, true); }
    bool Start(const QString& program, const QString& argument, WId owner) override {
        started.push_back({program, argument, owner});
        return startSucceeds;
    }

private:
    QString Look(const QString& document, bool mail) {
        QFile file(document);
        const bool existed = file.open(QIODevice::ReadOnly);
        lookups.push_back({document, existed, existed ? file.readAll() : QByteArray(), file.permissions(), mail});
        return browser;
    }
};
