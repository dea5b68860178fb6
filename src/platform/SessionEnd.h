// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <functional>

// Runs the given action when the user's session ends or the program is asked to stop
// (log-off, shutdown, a termination signal), on the UI thread, once.
void OnSessionEnd(QObject* context, std::function<void()> action);
