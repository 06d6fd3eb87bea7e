// Base of every transport: a worker thread that owns one link and performs exchanges on it
// one at a time, in the order they were queued, handing each finished exchange back to its
// master through the factory.
#pragma once

#include <array>
#include <deque>
#include <string>

#include "core/event.h"
#include "core/model/transport_task.h"
#include "core/ordered_mutex.h"
#include "core/worker_thread.h"
#include "variant.h"

namespace trelon {

class TBaseTransport : public TWorkerThread {
  public:
    ~TBaseTransport() override;

    int32_t ID() const { return id_; }
    uint8_t Kind() const { return kind_; }

    // A new empty task of this family.
    virtual TTransportTaskPtr NewTask();
    // Queues a task. Returns false, leaving the task with the caller, once the transport is
    // closing.
    virtual bool AddTask(TTransportTaskPtr& task);
    virtual void SetProps(const TVariant& props) = 0;
    // Opens the link; abort, when given, ends a slow connection early.
    virtual bool Connect(TEvent* abort) = 0;
    virtual void Disconnect() = 0;
    virtual bool SameProps(const TVariant& props) const = 0;

    bool HasTasks();
    // Set once the transport is being shut down; it takes no more tasks then.
    bool Closing();
    void CancelMasterTasks(int32_t masterID);
    void CancelMasterTask(int32_t masterID, int32_t qid);
    // "Ошибка в транспорте <ID>: <text>".
    void LogError(const std::string& text);

    // Sharing, for the factory thread only.
    void AddUsage() { ++usage_; }
    void DropUsage() { --usage_; }
    bool InUse() const { return usage_ > 0; }

    // Logs the creation, then starts the thread (after construction). The factory starts
    // the thread only once the link is open, so a failed Connect leaves no thread to join.
    void Launch();
    void Announce();
    void StartThread();
    // Logs the removal, ends the thread, gives queued tasks back to their masters as dropped
    // and closes the link. Call once, holding no ordered lock.
    void Shutdown();

  protected:
    TBaseTransport(uint8_t kind);

    // One exchange; true when it succeeded (an answer came, or the request was sent when
    // none is needed). The answer is left in RxData/RxLen.
    virtual bool ExchangeTask(TBaseTransportTask& task) = 0;
    virtual void LogData(const TBaseTransportTask& task, int32_t direction, bool success);

    // True when the time ran out, false when handle was set. Abortable waits also end
    // (with TSilentAbort) when the abort handle is set.
    bool WaitAbortable(TEvent* handle, int64_t milliseconds, bool abortable);
    void SetAbortHandle(TEvent* abort);

    // Guards the queue, the closing flag and the settings of the concrete class (also for
    // const readers such as SameProps).
    TOrderedMutex& TasksLock() const { return tasksLock_; }

    std::array<uint8_t, kTaskDataCapacity> RxData{};
    int32_t RxLen = 0;

  private:
    bool HasWork() override;
    void ProcessOne() override;
    void OnException(const std::string& message) override;
    void PushTask(TTransportTaskPtr task);
    void HandBack(TTransportTaskPtr task);
    void Finish(TTransportTaskPtr task, bool ok);

    const int32_t id_;
    const uint8_t kind_;
    mutable TOrderedMutex tasksLock_{TLockLevel::TransportTasks};
    std::deque<TTransportTaskPtr> tasks_;
    bool closing_ = false;
    int usage_ = 1;
    TEvent* abortHandle_ = nullptr;
};

}  // namespace trelon
