#include "log/log_keeper.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "datetime.h"
#include "ini_file.h"
#include "log/log_format.h"

namespace trelon {

namespace {

std::system_error FileError(const std::string& what, const std::string& path) {
    return std::system_error(errno, std::generic_category(), what + " " + path);
}

// Opens the file for appending (creating it when missing), writes the line, closes it.
void AppendLine(const std::string& path, const std::string& line) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw FileError("open", path);
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            auto error = FileError("write", path);
            ::close(fd);
            throw error;
        }
        done += size_t(n);
    }
    if (::close(fd) != 0) throw FileError("close", path);
}

}  // namespace

// The keeper's own report of a failed record; when writing it fails too, nothing more is
// queued, so a file that can never be opened does not keep the writer busy forever.
struct TLogKeeper::TErrorRecord final : TSimpleLogTask {};

TLogKeeper::TLogKeeper(TLogKeeperOptions options)
    : TWorkerThread(TThreadPriority::Normal, TStopMode::Drain),
      options_(std::move(options)),
      clock_(options_.Clock ? options_.Clock : std::function<double()>(&NowDateTime)) {
    if (!options_.SettingsPath.empty())
        settings_ = ReadLogSettings(TIniFile(options_.SettingsPath));
    logDir_ = !options_.LogDirOverride.empty() ? options_.LogDirOverride
              : !settings_.LogDir.empty()      ? settings_.LogDir
                                               : DefaultLogDir();
    // Fixed for the whole run: past midnight the server goes on writing the first day's file.
    filePath_ = (std::filesystem::path(logDir_) / LogFileName(clock_())).string();
    // Parents too: the default folder's parents may not exist yet. A failure shows up as the
    // error record of the first write.
    std::error_code ignored;
    std::filesystem::create_directories(logDir_, ignored);
    Start("LogKeeper");
    LogMessage(kStartBanner);
}

TLogKeeper::~TLogKeeper() {
    LogMessage(kCloseBanner);
    Stop();
    SaveSettings();
}

void TLogKeeper::LogMessage(std::string text) {
    QueueText(std::move(text), false);
}

void TLogKeeper::LogDebug(std::string text) {
    QueueText(std::move(text), true);
}

void TLogKeeper::LogTransportData(std::unique_ptr<TTransportDataLogTask> record) {
    Queue(std::move(record));
}

void TLogKeeper::LogTransportData(int32_t transportID, int32_t direction, bool success,
                                  std::span<const uint8_t> bytes) {
    Queue(MakeTransportDataRecord(Now(), transportID, direction, success, bytes));
}

void TLogKeeper::QueueText(std::string text, bool debug) {
    auto record = std::make_unique<TSimpleLogTask>();
    record->Time = Now();
    record->IsDebug = debug;
    record->Text = std::move(text);
    Queue(std::move(record));
}

void TLogKeeper::Queue(std::unique_ptr<TBaseLogTask> record) {
    if (!record) return;
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(record));
        ++queued_;
    }
    Wake();
}

bool TLogKeeper::WaitWritten(int64_t timeoutMs) {
    uint64_t target;
    {
        std::lock_guard lock(queueMutex_);
        target = queued_;
    }
    std::unique_lock lock(doneMutex_);
    auto written = [&] { return done_ >= target; };
    if (auto deadline = DeadlineAfter(timeoutMs))
        return doneCv_.wait_until(lock, *deadline, written);
    doneCv_.wait(lock, written);
    return true;
}

void TLogKeeper::MarkDone() {
    {
        std::lock_guard lock(doneMutex_);
        ++done_;
    }
    doneCv_.notify_all();
}

bool TLogKeeper::HasWork() {
    std::lock_guard lock(queueMutex_);
    return !queue_.empty();
}

bool TLogKeeper::ShouldWrite(const TBaseLogTask& record) const {
    return settings_.KeepLog && !(record.IsDebug && settings_.NoDebugMessages);
}

void TLogKeeper::ProcessOne() {
    std::unique_ptr<TBaseLogTask> record;
    {
        std::lock_guard lock(queueMutex_);
        record = std::move(queue_.front());
        queue_.pop_front();
    }
    recordInHand_ = true;
    writingErrorRecord_ = dynamic_cast<const TErrorRecord*>(record.get()) != nullptr;
    if (ShouldWrite(*record)) {
        AppendLine(filePath_, FormatLogLine(*record));
        failing_ = false;
    }
    recordInHand_ = false;
    MarkDone();
}

void TLogKeeper::OnException(const std::string& message) {
    if (!recordInHand_) return;
    // The reason goes to the operator's terminal once per run of failures.
    if (!failing_) std::fprintf(stderr, "trelonsrv: log keeper: %s\n", message.c_str());
    failing_ = true;
    // The failed record is dropped; the report goes in before it counts as done, so a
    // WaitWritten() after this one also waits for the report.
    if (!writingErrorRecord_) {
        auto report = std::make_unique<TErrorRecord>();
        report->Time = Now();
        report->Text = kUnexpectedError;
        Queue(std::move(report));
    }
    recordInHand_ = false;
    MarkDone();
}

void TLogKeeper::SaveSettings() const {
    if (options_.SettingsPath.empty()) return;
    // Read afresh: other sections may have been changed while the server ran.
    TIniFile ini(options_.SettingsPath);
    WriteLogSettings(ini, settings_);
    if (!ini.UpdateFile()) {
        std::fprintf(stderr, "trelonsrv: cannot save %s: %s\n", options_.SettingsPath.c_str(),
                     ini.LastError().c_str());
    }
}

}  // namespace trelon
