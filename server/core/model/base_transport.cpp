#include "core/model/base_transport.h"

#include <algorithm>

#include "core/model/server_factory.h"
#include "log/logging.h"

namespace trelon {

TBaseTransport::TBaseTransport(uint8_t kind)
    : TWorkerThread(TThreadPriority::TimeCritical, TStopMode::Immediate),
      id_(NewObjectID()),
      kind_(kind) {}

TBaseTransport::~TBaseTransport() {
    // A transport that was never launched (a failed Connect) has no thread to stop.
    Stop();
}

void TBaseTransport::Launch() {
    Announce();
    StartThread();
}

void TBaseTransport::Announce() {
    LogMessage("Создание транспорта " + TransportDisplayName(kind_) +
               " (ID = " + std::to_string(id_) + ")");
}

void TBaseTransport::StartThread() {
    Start("transport " + std::to_string(id_));
}

void TBaseTransport::Shutdown() {
    LogMessage("Удаление транспорта " + TransportDisplayName(kind_) +
               " (ID = " + std::to_string(id_) + ")");
    {
        std::lock_guard lock(tasksLock_);
        closing_ = true;
    }
    Stop();
    std::deque<TTransportTaskPtr> left;
    {
        std::lock_guard lock(tasksLock_);
        left.swap(tasks_);
    }
    for (TTransportTaskPtr& t : left) {
        t->Dropped = true;
        t->DataLen = 0;
        HandBack(std::move(t));
    }
    Disconnect();
}

TTransportTaskPtr TBaseTransport::NewTask() {
    return std::make_unique<TBaseTransportTask>();
}

bool TBaseTransport::AddTask(TTransportTaskPtr& task) {
    {
        std::lock_guard lock(tasksLock_);
        if (closing_) return false;
        tasks_.push_back(std::move(task));
    }
    Wake();
    return true;
}

void TBaseTransport::PushTask(TTransportTaskPtr task) {
    std::lock_guard lock(tasksLock_);
    tasks_.push_back(std::move(task));
}

bool TBaseTransport::HasTasks() {
    std::lock_guard lock(tasksLock_);
    return !tasks_.empty();
}

bool TBaseTransport::Closing() {
    std::lock_guard lock(tasksLock_);
    return closing_;
}

void TBaseTransport::CancelMasterTasks(int32_t masterID) {
    std::lock_guard lock(tasksLock_);
    for (TTransportTaskPtr& t : tasks_)
        if (t->MasterID == masterID) t->Cancelled = true;
}

void TBaseTransport::CancelMasterTask(int32_t masterID, int32_t qid) {
    std::lock_guard lock(tasksLock_);
    for (TTransportTaskPtr& t : tasks_)
        if (t->MasterID == masterID && t->QID == qid) t->Cancelled = true;
}

void TBaseTransport::LogError(const std::string& text) {
    LogMessage("Ошибка в транспорте " + std::to_string(id_) + ": " + text);
}

bool TBaseTransport::HasWork() {
    std::lock_guard lock(tasksLock_);
    return !tasks_.empty() && !closing_;
}

void TBaseTransport::ProcessOne() {
    TTransportTaskPtr task;
    {
        std::lock_guard lock(tasksLock_);
        if (tasks_.empty() || closing_) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
        if (task->Cancelled) {
            // Given back unperformed: the master frees it without a result.
            task->DataLen = 0;
        }
    }
    if (task->Cancelled) {
        HandBack(std::move(task));
        return;
    }
    --task->TriesLeft;
    LogData(*task, kDirectionOut, true);
    bool ok = false;
    try {
        ok = ExchangeTask(*task);
    } catch (const TSilentAbort&) {
        // An aborted exchange is a failed one; the task still gets its answer.
    } catch (const std::exception& e) {
        LogDebug("Транспорт " + std::to_string(id_) + ": " + e.what());
    }
    if (task->IsService) return;  // the transport's own task: freed here, not logged
    if (ok || task->TriesLeft <= 0) {
        Finish(std::move(task), ok);
        return;
    }
    LogData(*task, kDirectionIn, false);
    PushTask(std::move(task));  // behind whatever was queued meanwhile
}

void TBaseTransport::Finish(TTransportTaskPtr task, bool ok) {
    if (ok && task->NeedAnswer) {
        task->DataLen = std::clamp(RxLen, 0, kTaskDataCapacity);
        std::copy_n(RxData.begin(), task->DataLen, task->Data.begin());
    } else {
        task->DataLen = 0;
    }
    if (task->NeedAnswer) LogData(*task, kDirectionIn, ok);
    HandBack(std::move(task));
}

void TBaseTransport::HandBack(TTransportTaskPtr task) {
    // The master may be gone (freed while its exchange was queued): the task is then freed.
    if (std::shared_ptr<TBaseMaster> master = ServerFactory().FindMaster(task->MasterID))
        master->AcceptAnswer(std::move(task));
}

void TBaseTransport::LogData(const TBaseTransportTask& task, int32_t direction, bool success) {
    if (task.IsService) return;
    LogTransportData(id_, direction, success,
                     std::span<const uint8_t>(task.Data.data(), size_t(std::max(task.DataLen, 0))));
}

void TBaseTransport::OnException(const std::string& message) {
    LogDebug("Транспорт " + std::to_string(id_) + ": Exception (" + message +
             ") caught in Execute");
}

void TBaseTransport::SetAbortHandle(TEvent* abort) {
    std::lock_guard lock(tasksLock_);
    abortHandle_ = abort;
}

bool TBaseTransport::WaitAbortable(TEvent* handle, int64_t milliseconds, bool abortable) {
    TEvent* abort = nullptr;
    {
        std::lock_guard lock(tasksLock_);
        abort = abortable ? abortHandle_ : nullptr;
    }
    if (!abort) {
        if (!handle) {
            if (!abortable) return true;
            TEvent never;
            return !never.Wait(milliseconds);
        }
        return !handle->Wait(milliseconds);
    }
    if (!handle) {
        if (!abort->Wait(milliseconds)) return true;
    } else {
        int which = WaitForEither(*handle, *abort, milliseconds);
        if (which == 0) return false;
        if (which < 0) return true;
    }
    abort->Reset();
    throw TSilentAbort();
}

}  // namespace trelon
