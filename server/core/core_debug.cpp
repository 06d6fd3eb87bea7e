#include "core/core_debug.h"

#include <atomic>

namespace trelon {

namespace {
std::atomic<TDebugSink> gSink{nullptr};
}

void SetDebugSink(TDebugSink sink) {
    gSink.store(sink);
}

void CoreDebug(std::string text) {
    if (TDebugSink sink = gSink.load()) sink(std::move(text));
}

}  // namespace trelon
