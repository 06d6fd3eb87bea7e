#include "modbus_master.h"

#include <algorithm>
#include <exception>
#include <span>

#include "answer_check.h"
#include "line_format.h"
#include "log/logging.h"
#include "request_frame.h"
#include "result_array.h"

namespace trelon {

namespace {

using TClock = std::chrono::steady_clock;

const TModbusTask& AsModbus(const TBaseMasterTask& task) {
    return static_cast<const TModbusTask&>(task);
}

TModbusTask& AsModbus(TBaseMasterTask& task) {
    return static_cast<TModbusTask&>(task);
}

std::span<const uint8_t> AnswerBytes(const TBaseTransportTask& exchange) {
    return {exchange.Data.data(), size_t(std::clamp(exchange.DataLen, 0, kTaskDataCapacity))};
}

}  // namespace

TModBusMaster::TModBusMaster() : TBaseMaster(kModbusMasterKind) {}

// The thread calls into this class: it ends before the members go.
TModBusMaster::~TModBusMaster() {
    Stop();
}

void TModBusMaster::SetProps(const TVariant& props) {
    std::lock_guard lock(Lock());
    if (Closing()) return;
    if (std::optional<TModbusSettings> s = ReadSettings(props)) settings_ = *s;
}

std::unique_ptr<TModbusTask> TModBusMaster::NewRequest(const TVariant& request, bool inplace) {
    auto task = std::make_unique<TModbusTask>();
    task->Request = ReadRequest(request, settings_);
    if (inplace) task->Request.Period = 0;
    task->QID = task->Request.QID;
    task->Inplace = inplace;
    task->TriesLeft = task->Request.Retries;
    task->Tag = ++lastTag_;
    if (task->Request.Period != 0) {
        task->Priority = tpPeriodic;
        task->DueTime = TClock::now();
    } else {
        task->Priority = tpOneShot;
    }
    return task;
}

void TModBusMaster::AddTask(const TVariant& request) {
    std::lock_guard lock(Lock());
    if (Closing()) return;
    InsertTask(NewRequest(request, false));
}

bool TModBusMaster::AddInplaceTask(const TVariant& request, TVariant& answer, int64_t timeoutMs) {
    answer = TVariant();
    auto waiter = std::make_shared<TInplaceResult>();
    {
        std::lock_guard lock(Lock());
        if (Closing()) return false;
        std::unique_ptr<TModbusTask> task = NewRequest(request, true);
        task->Waiter = waiter;
        InsertTask(std::move(task));
    }
    std::optional<TVariant> result = waiter->Wait(DeadlineAfter(timeoutMs));
    if (!result) return false;
    answer = std::move(*result);
    return true;
}

void TModBusMaster::AcceptAnswer(TTransportTaskPtr exchange) {
    if (!exchange) return;
    auto answer = std::make_unique<TModbusTask>();
    answer->IsAnswer = true;
    answer->QID = exchange->QID;
    answer->Priority = tpAnswer;
    answer->TransportTask = std::move(exchange);
    std::lock_guard lock(Lock());
    if (Closing()) return;
    InsertTask(std::move(answer));
}

bool TModBusMaster::GoesBefore(const TBaseMasterTask& task, const TBaseMasterTask& other) const {
    if (task.Priority != other.Priority) return task.Priority < other.Priority;
    return task.Priority == tpPeriodic && AsModbus(task).DueTime < AsModbus(other).DueTime;
}

void TModBusMaster::ProcessTask(TBaseMasterTask& task) {
    TModbusTask& t = AsModbus(task);
    if (t.IsAnswer)
        ProcessAnswer(t);
    else
        ProcessRequest(t);
}

void TModBusMaster::ProcessRequest(TModbusTask& task) {
    const TModbusRequest& r = task.Request;
    if (r.Invalid) return Finish(task, mbcWrongType);
    if (r.Period != 0 && TClock::now() < task.DueTime) {
        // Stays first; a task queued meanwhile wakes the thread earlier.
        WaitForWork(task.DueTime);
        return;
    }
    std::shared_ptr<TBaseTransport> transport = ServerFactory().FindTransport(TransportID());
    if (!transport) return DropAll();

    TTransportTaskPtr exchange = transport->NewTask();
    try {
        exchange->DataLen = int32_t(BuildFrame(r, exchange->Data));
    } catch (const EFrameError&) {
        return Finish(task, mbcWrongType);
    }
    exchange->MasterID = ID();
    exchange->QID = r.QID;
    exchange->RequestTag = task.Tag;
    exchange->LineFormat = LineFormat(r.Mode, r.Parity);
    exchange->NeedAnswer = r.ExpectsAnswer();
    const uint64_t tag = task.Tag;
    {
        // One step under the lock, so a cancellation finds the request in one of the lists.
        std::lock_guard lock(Lock());
        TMasterTaskPtr owned = RemovePending(task);
        if (!owned || owned->Cancelled) return;
        ++owned->SendCount;
        AddInFlight(std::move(owned));
    }
    if (transport->AddTask(exchange)) return;

    // The transport is closing: the request is dropped unsent.
    std::list<TMasterTaskPtr> dropped;
    {
        std::lock_guard lock(Lock());
        TMasterTaskPtr back =
            TakeInFlight([tag](const TBaseMasterTask& t) { return AsModbus(t).Tag == tag; });
        if (back && !back->Cancelled) dropped.push_back(std::move(back));
    }
    ReportEach(dropped, mbcNoTransport);
}

void TModBusMaster::ProcessAnswer(TModbusTask& answerTask) {
    // Freed on the way out, with its exchange.
    TMasterTaskPtr answer = RemovePending(answerTask);
    if (!answer) return;
    const TBaseTransportTask& exchange = *AsModbus(*answer).TransportTask;

    TMasterTaskPtr finished;  // a request whose last result this is; freed after reporting
    std::shared_ptr<TInplaceResult> waiter;
    TVariant result;
    {
        // The request leaves the in-flight list and, when it goes on, enters the pending one
        // within one hold of the lock: a cancellation always finds it.
        std::lock_guard lock(Lock());
        TMasterTaskPtr owned = TakeInFlight([&exchange](const TBaseMasterTask& t) {
            return AsModbus(t).Tag == exchange.RequestTag;
        });
        // No request (an answer to one already settled), or one the client cancelled.
        if (!owned || owned->Cancelled || exchange.Cancelled) return;
        TModbusTask& request = AsModbus(*owned);
        waiter = request.Waiter;
        if (exchange.Dropped) {
            result = MakeResultArray(request.Request, TVariant(), mbcNoTransport);
            finished = std::move(owned);
        } else {
            --request.TriesLeft;
            TVariant value;
            MBResult code = CheckAnswer(request.Request, AnswerBytes(exchange), value);
            if (code != mbcOK && request.TriesLeft > 0) {
                // Sent again when it comes first; a periodic one keeps its past due time.
                InsertTask(std::move(owned));
                return;
            }
            result = MakeResultArray(request.Request, value, code);
            if (request.Request.Period != 0) {
                // Queued again before the result goes out, so neither a failing handler nor
                // a cancellation racing with the report can lose or keep it wrongly.
                request.DueTime = TClock::now() + std::chrono::milliseconds(request.Request.Period);
                request.TriesLeft = request.Request.Retries;
                InsertTask(std::move(owned));
            } else {
                finished = std::move(owned);
            }
        }
    }
    Report(waiter, result);
}

void TModBusMaster::Finish(TModbusTask& task, MBResult result) {
    TMasterTaskPtr owned;
    {
        std::lock_guard lock(Lock());
        owned = RemovePending(task);
        if (!owned || owned->Cancelled) return;
    }
    const TModbusTask& t = AsModbus(*owned);
    Report(t.Waiter, MakeResultArray(t.Request, TVariant(), result));
}

void TModBusMaster::DropAll() {
    LogDebug("TModBusMaster.Execute; tri = nil; canceling all tasks");
    std::list<TMasterTaskPtr> dropped;
    {
        std::lock_guard lock(Lock());
        dropped = TakeAllInFlight();
        dropped.splice(dropped.end(),
                       TakePending([](const TBaseMasterTask& t) { return !AsModbus(t).IsAnswer; }));
        // Those the client cancelled go without a result.
        dropped.remove_if([](const TMasterTaskPtr& t) { return t->Cancelled; });
    }
    // Answers still pending for them find no request and are dropped.
    ReportEach(dropped, mbcNoTransport);
}

void TModBusMaster::Report(const std::shared_ptr<TInplaceResult>& waiter, const TVariant& result) {
    if (waiter)
        waiter->Put(result);
    else
        Deliver(result);
}

void TModBusMaster::ReportEach(const std::list<TMasterTaskPtr>& tasks, MBResult result) {
    std::exception_ptr failure;
    for (const TMasterTaskPtr& t : tasks) {
        const TModbusTask& task = AsModbus(*t);
        try {
            Report(task.Waiter, MakeResultArray(task.Request, TVariant(), result));
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

void RegisterModbusMaster(TServerFactory& factory) {
    factory.RegisterMasterKind(kModbusMasterKind, [] { return std::make_shared<TModBusMaster>(); });
}

}  // namespace trelon
