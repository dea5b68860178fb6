// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QLocale>
#include <QMenu>
#include <vector>

#include "Desktop.h"
#include "Launcher.h"
#include "Logging.h"
#include "MessageBoxes.h"
#include "Platform.h"
#include "SessionEnd.h"
#include "SingleInstance.h"
#include "StatusCommand.h"
#include "SystemClock.h"
#include "frmMain.h"
#include "modRegistry.h"

int main(int argc, char* argv[]) {
    // --status, --help and --version print and end before anything of the GUI exists (the
    // XWayland choice included), so that they need no display.
    if (const auto exitStatus = RunCommandLine(argc, argv)) return *exitStatus;
    // Qt takes the platform from the command line; the argument is not handed on to anything
    // the program starts, as an environment variable would be.
    std::vector<char*> args(argv, argv + argc);
    char platformOption[] = "-platform";
    char xcb[] = "xcb";
    if (desktop::RunThroughXWayland(argc, argv)) args.insert(args.begin() + (argc > 0), {platformOption, xcb});
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());
    QApplication::setApplicationName(QStringLiteral("Voltara"));
    QApplication::setApplicationVersion(QStringLiteral(VOLTARA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("voltara"));
    // The program lives in the tray: closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    Q_INIT_RESOURCE(voltara);
    RouteEngineLog();

    auto backend = MakeSystemRegistry();
    modRegistry registry(*backend, StoredDecimalSeparator(QLocale().decimalPoint().toStdString()));
    auto power = MakeSystemPowerSource();
    SystemClock clock;
    QtMessageBoxes boxes;
    auto instance = MakeSingleInstance();
    auto launcher = MakeLauncher();

    frmMain main(ShellServices{registry, *power, clock, boxes, *instance, *launcher, QApplication::applicationDirPath(),
                               [] { QCoreApplication::exit(0); }, desktop::TrayReportsDoubleClick(),
                               desktop::WindowPlacesKnown(), &QSystemTrayIcon::isSystemTrayAvailable,
                               SystemRunEntryPlace()});
    OnSessionEnd(&main, [&main] { main.Form_Unload(); });
    // A tray host's startup feedback for a click or a menu choice ends as the program takes it.
    QObject::connect(main.trayIcon(), &QSystemTrayIcon::activated, &desktop::AnswerActivationToken);
    QObject::connect(main.trayIcon()->contextMenu(), &QMenu::triggered, &desktop::AnswerActivationToken);
    if (!main.Form_Load()) return 0;
    // The program may have been ended inside a dialog of the start-up sequence.
    if (main.HasEnded()) return 0;
    return app.exec();
}
