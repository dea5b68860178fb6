// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Failures the user is not told about still leave a line in the program's log. The engine
// and the back ends write through this seam; the program routes it to its log categories,
// one per area, which stay quiet until turned on.
namespace vlog {

enum class Area { Settings, Power, Tray, Launch };
enum class Level { Debug, Warning };

using Sink = void (*)(Area area, Level level, const std::string& message);

// The program's log, set once at start; until then lines go nowhere.
void SetSink(Sink sink);
void Write(Area area, Level level, const std::string& message);

inline void Debug(Area area, const std::string& message) { Write(area, Level::Debug, message); }
inline void Warning(Area area, const std::string& message) { Write(area, Level::Warning, message); }

}  // namespace vlog
