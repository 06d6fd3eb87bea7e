// Where the core's own debug lines go. The core sits below the log keeper, so the keeper
// installs itself here when it starts; until then (and after it stops) the lines are dropped.
#pragma once

#include <string>

namespace trelon {

using TDebugSink = void (*)(std::string text);

void SetDebugSink(TDebugSink sink);
void CoreDebug(std::string text);

}  // namespace trelon
