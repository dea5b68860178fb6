// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/socket.h>
#include <unistd.h>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <csignal>

#include "SessionEnd.h"

namespace {
int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    // Only async-signal-safe work here: wake the UI thread.
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}
}  // namespace

void OnSessionEnd(QObject* context, std::function<void()> action) {
    auto once = std::make_shared<std::function<void()>>(std::move(action));
    auto run = [once] {
        if (*once) {
            auto a = std::move(*once);
            *once = nullptr;
            a();
        }
    };
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, context, run);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [run] {
        char c;
        [[maybe_unused]] auto n = ::read(signalPipe[0], &c, 1);
        run();
    });
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &sa, nullptr);
}
