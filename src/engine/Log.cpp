// SPDX-License-Identifier: GPL-3.0-or-later
#include "Log.h"

#include <atomic>

namespace vlog {
namespace {
// The process has one log.
std::atomic<Sink> sink{nullptr};
}  // namespace

void SetSink(Sink s) { sink.store(s); }

void Write(Area area, Level level, const std::string& message) {
    if (const Sink s = sink.load()) s(area, level, message);
}

}  // namespace vlog
