// The Modbus master: takes client requests as request arrays, frames each due request into
// an exchange on its transport, checks the answer that comes back, retries failed requests,
// repeats periodic ones by due time and reports every result as a result array.
#pragma once

#include <cstdint>
#include <list>
#include <memory>

#include "core/model/base_master.h"
#include "core/model/server_factory.h"
#include "mb_enums.h"
#include "modbus_settings.h"
#include "modbus_task.h"

namespace trelon {

// Master kind 0, "Modbus".
inline constexpr uint8_t kModbusMasterKind = 0;

class TModBusMaster : public TBaseMaster {
  public:
    TModBusMaster();
    ~TModBusMaster() override;

    // Takes a master props array; one that cannot be used leaves the settings as they were.
    // Requests queued before keep the settings they were queued with.
    void SetProps(const TVariant& props) override;
    // Queues a request; its result comes through the exchange handler.
    void AddTask(const TVariant& request) override;
    // Queues a one-shot request and waits up to timeoutMs (negative: no limit) for its
    // result, which goes to this caller only. False, with answer empty, when no result came
    // in time; a result that comes later is dropped.
    bool AddInplaceTask(const TVariant& request, TVariant& answer, int64_t timeoutMs) override;
    void AcceptAnswer(TTransportTaskPtr exchange) override;

  protected:
    void ProcessTask(TBaseMasterTask& task) override;
    // Answers, then one-shot requests in order of arrival, then periodic requests by due
    // time, so a request with a long period never holds back a shorter one.
    bool GoesBefore(const TBaseMasterTask& task, const TBaseMasterTask& other) const override;

  private:
    // Under the lock.
    std::unique_ptr<TModbusTask> NewRequest(const TVariant& request, bool inplace);
    void ProcessRequest(TModbusTask& task);
    void ProcessAnswer(TModbusTask& answer);
    // Takes the pending request out and reports the result, unless it was cancelled.
    void Finish(TModbusTask& task, MBResult result);
    // The transport is gone: every request in flight and pending is dropped with
    // mbcNoTransport.
    void DropAll();
    void Report(const std::shared_ptr<TInplaceResult>& waiter, const TVariant& result);
    // Reports the result to each; a handler that fails does not keep the others from theirs.
    void ReportEach(const std::list<TMasterTaskPtr>& tasks, MBResult result);

    TModbusSettings settings_;  // under the lock
    uint64_t lastTag_ = 0;      // under the lock
};

// Lets the factory create Modbus masters (kind 0).
void RegisterModbusMaster(TServerFactory& factory);

}  // namespace trelon
