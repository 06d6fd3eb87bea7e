#include "log/logging.h"

#include <shared_mutex>
#include <stdexcept>

#include "core/core_debug.h"

namespace trelon {

namespace {

// Loggers share the lock; starting and stopping take it alone, but never across the join.
std::shared_mutex gKeeperMutex;
std::unique_ptr<TLogKeeper> LogKeeper;

void CoreDebugToLog(std::string text) {
    LogDebug(std::move(text));
}

template <class F>
void WithKeeper(F f) {
    std::shared_lock lock(gKeeperMutex);
    if (LogKeeper) f(*LogKeeper);
}

}  // namespace

void StartLogKeeper(TLogKeeperOptions options) {
    {
        std::unique_lock lock(gKeeperMutex);
        if (LogKeeper) throw std::logic_error("the log keeper already runs");
        LogKeeper = std::make_unique<TLogKeeper>(std::move(options));
    }
    SetDebugSink(&CoreDebugToLog);
}

void StopLogKeeper() {
    std::unique_ptr<TLogKeeper> keeper;
    {
        std::unique_lock lock(gKeeperMutex);
        keeper = std::move(LogKeeper);
    }
    if (!keeper) return;
    SetDebugSink(nullptr);
    keeper.reset();  // writes what is queued and joins the writer, with no lock held
}

bool LogKeeperRunning() {
    std::shared_lock lock(gKeeperMutex);
    return LogKeeper != nullptr;
}

void LogMessage(std::string text) {
    WithKeeper([&](TLogKeeper& k) { k.LogMessage(std::move(text)); });
}

void LogDebug(std::string text) {
    WithKeeper([&](TLogKeeper& k) { k.LogDebug(std::move(text)); });
}

void LogTransportData(std::unique_ptr<TTransportDataLogTask> record) {
    WithKeeper([&](TLogKeeper& k) { k.LogTransportData(std::move(record)); });
}

void LogTransportData(int32_t transportID, int32_t direction, bool success,
                      std::span<const uint8_t> bytes) {
    WithKeeper([&](TLogKeeper& k) { k.LogTransportData(transportID, direction, success, bytes); });
}

bool WaitLogWritten(int64_t timeoutMs) {
    bool written = true;
    WithKeeper([&](TLogKeeper& k) { written = k.WaitWritten(timeoutMs); });
    return written;
}

}  // namespace trelon
