// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFile>
#include <QString>
#include <vector>

#include "Launcher.h"

// Answers the browser lookup as told and records what was started, and what the
// lookup document looked like while it was asked about.
class FakeLauncher : public Launcher {
public:
    QString browser = QStringLiteral("/usr/bin/fakebrowser");  // empty: none registered
    bool startSucceeds = true;

    struct Lookup {
        QString document;
        bool existed;
        QByteArray contents;
        QFile::Permissions permissions;
    };
    std::vector<Lookup> lookups;
    struct Started {
        QString program;
        QString argument;
    };
    std::vector<Started> started;

    QString FindExecutable(const QString& document) override {
        QFile file(document);
        const bool existed = file.open(QIODevice::ReadOnly);
        lookups.push_back({document, existed, existed ? file.readAll() : QByteArray(), file.permissions()});
        return browser;
    }
    bool Start(const QString& program, const QString& argument) override {
        started.push_back({program, argument});
        return startSucceeds;
    }
};
