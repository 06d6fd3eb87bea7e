// Records handed to the log keeper: a text line (an action, an error or a debug trace) or
// the bytes a transport sent or received. A queued record belongs to the keeper.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace trelon {

enum class TLogRecordKind : uint8_t { Text = 0, TransportData = 1 };

inline constexpr int32_t kDirectionIn = 0;       // bytes received
inline constexpr int32_t kDirectionOut = 1;      // bytes sent
inline constexpr size_t kLogDataCapacity = 600;  // a transport task's data capacity

struct TBaseLogTask {
    virtual ~TBaseLogTask() = default;
    const TLogRecordKind Kind;
    double Time = 0;  // local date-time at which the caller queued it
    bool IsDebug = false;

  protected:
    explicit TBaseLogTask(TLogRecordKind kind) : Kind(kind) {}
};

struct TSimpleLogTask : TBaseLogTask {
    TSimpleLogTask() : TBaseLogTask(TLogRecordKind::Text) {}
    std::string Text;  // written unchanged
};

struct TTransportLogTask : TBaseLogTask {
    int32_t TransportID = -1;

  protected:
    using TBaseLogTask::TBaseLogTask;
};

struct TTransportDataLogTask : TTransportLogTask {
    TTransportDataLogTask() : TTransportLogTask(TLogRecordKind::TransportData) {}
    std::array<uint8_t, kLogDataCapacity> Data{};
    uint32_t Count = 0;  // valid bytes in Data; 0 when the step failed
    int32_t Direction = kDirectionIn;
    bool Success = false;
};

// A data record as a transport logs one step: the bytes are copied (at most the capacity)
// only when the step succeeded.
std::unique_ptr<TTransportDataLogTask> MakeTransportDataRecord(double time, int32_t transportID,
                                                               int32_t direction, bool success,
                                                               std::span<const uint8_t> bytes);

}  // namespace trelon
