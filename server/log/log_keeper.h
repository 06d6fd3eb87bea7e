// The log keeper: one writer thread that owns the server's log file. Callers queue a record
// and return at once; the writer appends the records in the order they were queued, opening
// and closing the file for each, so the file is complete on disk between records. Stopping
// writes everything queued before it. Failures of the file are reported as a record of their
// own and never reach the caller.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "core/event.h"
#include "core/worker_thread.h"
#include "log/log_records.h"
#include "log/log_settings.h"

namespace trelon {

struct TLogKeeperOptions {
    std::string SettingsPath;       // the server's settings file; empty: defaults, nothing saved
    std::string LogDirOverride;     // --log-dir: wins over the settings
    std::function<double()> Clock;  // local date-time now; empty: the system clock
};

class TLogKeeper final : public TWorkerThread {
  public:
    // Reads the settings, fixes the file name by today's date, creates the log folder,
    // starts the writer and queues the start banner.
    explicit TLogKeeper(TLogKeeperOptions options);
    // Queues the close banner, waits until the writer has written everything queued, and
    // writes the settings back. Must not be run holding an ordered lock.
    ~TLogKeeper() override;

    void LogMessage(std::string text);
    void LogDebug(std::string text);
    void LogTransportData(std::unique_ptr<TTransportDataLogTask> record);
    void LogTransportData(int32_t transportID, int32_t direction, bool success,
                          std::span<const uint8_t> bytes);

    // Waits until every record queued before the call has been written or dropped. False
    // when the time ran out first.
    bool WaitWritten(int64_t timeoutMs = kInfinite);

    const TLogSettings& Settings() const { return settings_; }
    const std::string& LogDir() const { return logDir_; }
    const std::string& FilePath() const { return filePath_; }
    double Now() const { return clock_(); }

  protected:
    bool HasWork() override;
    void ProcessOne() override;
    void OnException(const std::string& message) override;

  private:
    struct TErrorRecord;

    void Queue(std::unique_ptr<TBaseLogTask> record);
    void QueueText(std::string text, bool debug);
    void MarkDone();
    bool ShouldWrite(const TBaseLogTask& record) const;
    void SaveSettings() const;

    const TLogKeeperOptions options_;
    const std::function<double()> clock_;
    TLogSettings settings_;
    std::string logDir_;
    std::string filePath_;

    std::mutex queueMutex_;  // held only to append, look or take
    std::deque<std::unique_ptr<TBaseLogTask>> queue_;
    uint64_t queued_ = 0;  // records ever queued (under queueMutex_)

    std::mutex doneMutex_;
    std::condition_variable doneCv_;
    uint64_t done_ = 0;  // records written or dropped (under doneMutex_)

    // Writer thread only.
    bool recordInHand_ = false;        // taken from the queue, not yet done
    bool writingErrorRecord_ = false;  // the record in hand is the keeper's own error report
    bool failing_ = false;             // the last write failed
};

}  // namespace trelon
