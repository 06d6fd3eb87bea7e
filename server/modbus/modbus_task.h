// An item of the Modbus master's queue: a client request with its retry and due-time state,
// or an answer that carries a finished exchange back to the master's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "core/model/master_task.h"
#include "core/model/transport_task.h"
#include "inplace_result.h"
#include "modbus_request.h"

namespace trelon {

struct TModbusTask : TBaseMasterTask {
    ~TModbusTask() override;

    bool IsAnswer = false;

    // Requests.
    TModbusRequest Request;
    int32_t TriesLeft = 0;  // attempts still allowed in this cycle
    // When a periodic request may be sent next.
    std::chrono::steady_clock::time_point DueTime{};
    // Unique among the master's requests; carried by each exchange as its RequestTag.
    uint64_t Tag = 0;
    // In-place requests: where the caller waits. Closed when the task is freed.
    std::shared_ptr<TInplaceResult> Waiter;

    // Answers: the finished exchange, freed with the answer.
    TTransportTaskPtr TransportTask;
};

}  // namespace trelon
