// One request/answer exchange on a transport, and the kinds of transport.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/object_id.h"

namespace trelon {

inline constexpr int kTaskDataCapacity = 600;

// Transport kinds, as element 0 of a transport props array.
enum TTransportKind : uint8_t {
    tkRS232 = 0,
    tkRS485 = 1,
    tkModem = 2,
    tkTrivialFTP = 3,
};

// "RS232", "RS485", "Модемное соединение", "TrivialFTP"; "?" for others.
std::string TransportDisplayName(int kind);

struct TBaseTransportTask {
    TBaseTransportTask();
    virtual ~TBaseTransportTask();
    TBaseTransportTask(const TBaseTransportTask&) = delete;
    TBaseTransportTask& operator=(const TBaseTransportTask&) = delete;

    int32_t MasterID = kNoID;
    int32_t QID = 0;
    // The master's own request this exchange belongs to, so an answer finds its request
    // and never an older one with the same QID.
    uint64_t RequestTag = 0;
    int32_t DataLen = 0;
    std::array<uint8_t, kTaskDataCapacity> Data{};
    // Bits 0-1 data bits code, 2-4 parity code, 5-6 stop bits code.
    int32_t LineFormat = 0;
    bool NeedAnswer = true;
    int32_t TriesLeft = 0;
    bool Cancelled = false;  // guarded by the transport's task lock while queued
    // The transport gave the task back unperformed because it is closing.
    bool Dropped = false;
    bool IsService = false;
    int32_t ServiceCode = 0;
};

using TTransportTaskPtr = std::unique_ptr<TBaseTransportTask>;

// Transport tasks alive in the process (created and not yet freed).
int64_t LiveTransportTasks();

}  // namespace trelon
