// The server's one log keeper, LogKeeper, and the calls every component logs through. The
// server's start-up starts the keeper before anything else and stops it after everything
// else; a call made while no keeper runs is dropped. Each call returns at once.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "core/event.h"
#include "log/log_keeper.h"
#include "log/log_records.h"

namespace trelon {

// Starts LogKeeper and routes the core's debug lines to it. Throws std::logic_error when one
// already runs.
void StartLogKeeper(TLogKeeperOptions options);
// Writes the close banner and everything queued, saves the settings and ends the keeper.
// Must not be called holding an ordered lock.
void StopLogKeeper();
bool LogKeeperRunning();

void LogMessage(std::string text);
void LogDebug(std::string text);
void LogTransportData(std::unique_ptr<TTransportDataLogTask> record);
// Builds the record as a transport logs one step: the bytes only when it succeeded.
void LogTransportData(int32_t transportID, int32_t direction, bool success,
                      std::span<const uint8_t> bytes);

// Waits until every record queued before the call has been written or dropped (true at once
// when no keeper runs).
bool WaitLogWritten(int64_t timeoutMs = kInfinite);

// Starts LogKeeper for the lifetime of a scope (the server's main).
class TLogKeeperScope {
  public:
    explicit TLogKeeperScope(TLogKeeperOptions options) { StartLogKeeper(std::move(options)); }
    ~TLogKeeperScope() { StopLogKeeper(); }
    TLogKeeperScope(const TLogKeeperScope&) = delete;
    TLogKeeperScope& operator=(const TLogKeeperScope&) = delete;
};

}  // namespace trelon
