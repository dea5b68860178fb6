// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPointer>
#include <QString>
#include <QTest>
#include <memory>

#include "FakeLauncher.h"
#include "FakeMessageBoxes.h"
#include "Platform.h"
#include "SingleInstance.h"
#include "frmMain.h"
#include "modRegistry.h"
#include "support/FakeClock.h"
#include "support/FakePowerSource.h"
#include "support/MemoryRegistry.h"

struct FakeSingleInstance : SingleInstance {
    bool another = false;
    bool AnotherCopyRuns() override { return another; }
};

// A main window wired to fakes: an in-memory registry, a power source the test sets,
// a clock that moves on request, recorded message boxes.
struct ShellFixture {
    MemoryRegistry store;
    modRegistry registry{store, '.'};
    FakePowerSource power;
    FakeClock clock;
    FakeMessageBoxes boxes;
    FakeSingleInstance instance;
    FakeLauncher launcher;
    int endCalls = 0;
    std::unique_ptr<frmMain> main;
    // The desktop: a notification area that reports double clicks, and window places known.
    bool tray = true, trayDoubleClicks = true;

    ShellFixture() {
        Q_INIT_RESOURCE(voltara);
        // A returning user: the welcome dialog has been confirmed.
        store.PutText(reg::Hive::CurrentUser, regkeys::Setting, "Show Info", "No");
        // The machine-wide Run key exists on every system.
        store.CreateKey(reg::Hive::LocalMachine, regkeys::Run);
    }
    frmMain& make() {
        main = std::make_unique<frmMain>(ShellServices{
            registry, power, clock, boxes, instance, launcher, QStringLiteral("/opt/voltara"), [this] { ++endCalls; },
            trayDoubleClicks, true, [this] { return tray; }, SystemRunEntryPlace()});
        return *main;
    }
    frmMain& load() {
        QTEST_ASSERT(make().Form_Load());  // the one copy starts
        return *main;
    }
    QString user(const char* key, const char* name) const {
        return QString::fromStdString(store.TextOf(reg::Hive::CurrentUser, key, name));
    }
    void putUser(const char* key, const char* name, const char* text) {
        store.PutText(reg::Hive::CurrentUser, key, name, text);
    }
    QString label(int i) const { return main->lblDisplay[i]->text(); }

    // Opens one of the main window's dialogs from its menu handler; null unless it becomes and
    // stays the active window: under Wine the X server's focus events for a window mapped earlier
    // can arrive after a later one was activated.
    template <typename Dialog>
    Dialog* open(void (frmMain::*handler)()) {
        if (!main) load();
        (main.get()->*handler)();
        Dialog* d = main->findChild<Dialog*>();
        for (int still = 0, tries = 0; d && still < 4 && tries < 40; ++tries) {
            if (!d->isActiveWindow()) d->activateWindow();
            still = d->isActiveWindow() ? still + 1 : 0;
            QTest::qWait(50);
        }
        return d && d->isActiveWindow() ? d : nullptr;
    }
    // Whether a closed window is gone, once deferred deletions have run.
    template <typename W>
    static bool gone(const QPointer<W>& w) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return w.isNull();
    }
};
