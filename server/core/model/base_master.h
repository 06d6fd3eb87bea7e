// Base of every protocol master: a worker thread that turns client requests into exchanges
// on its transport, found by identifier through the factory at the moment of use, and
// reports each result through its exchange handler.
#pragma once

#include <functional>
#include <list>
#include <mutex>

#include "core/event.h"
#include "core/model/master_task.h"
#include "core/model/transport_task.h"
#include "core/ordered_mutex.h"
#include "core/worker_thread.h"
#include "variant.h"

namespace trelon {

// Receives result arrays on the master's thread.
using TExchangeHandler = std::function<void(const TVariant& result)>;

// "Modbus", "Bitbus"; "?" for others.
std::string MasterDisplayName(int kind);

class TBaseMaster : public TWorkerThread {
  public:
    ~TBaseMaster() override;

    int32_t ID() const { return id_; }
    uint8_t Kind() const { return kind_; }

    void SetTransportID(int32_t id);
    int32_t TransportID();
    // Set once by the factory before the master is visible; replaced by an empty handler
    // when the owner goes, after which no result reaches it.
    void SetExchangeHandler(TExchangeHandler handler);

    // Transport thread: a finished (or dropped, or cancelled) exchange comes back.
    virtual void AcceptAnswer(TTransportTaskPtr task) = 0;
    virtual void SetProps(const TVariant& props) = 0;
    virtual void AddTask(const TVariant& request) = 0;
    // Queues a request and waits up to timeoutMs for its result; false (answer empty) when
    // none came in time.
    virtual bool AddInplaceTask(const TVariant& request, TVariant& answer, int64_t timeoutMs) = 0;

    // Cancels every request (behind "FreeAllTasks" and the release of the master), or those
    // of one QID. Cancelled requests get no result.
    void CancelAll();
    void CancelQID(int32_t qid);

    void Launch();
    // Logs the removal, ends the thread and frees every request without a result. Call once,
    // holding no ordered lock.
    void Shutdown();

  protected:
    explicit TBaseMaster(uint8_t kind);

    // Handles the first pending task: removes it when it acts on it, or leaves it first and
    // waits (WaitForWork) when it is not due yet. Runs on the master's thread, no lock held.
    virtual void ProcessTask(TBaseMasterTask& task) = 0;
    // Where a task goes among the pending ones; by default behind the last of its class.
    virtual bool GoesBefore(const TBaseMasterTask& task, const TBaseMasterTask& other) const;

    void InsertTask(TMasterTaskPtr task);  // takes the lock, wakes the thread
    TMasterTaskPtr RemovePending(TBaseMasterTask& task);
    // Takes every pending task the predicate picks, in queue order.
    std::list<TMasterTaskPtr> TakePending(const std::function<bool(const TBaseMasterTask&)>& pick);
    void AddInFlight(TMasterTaskPtr task);
    // Takes the in-flight request the predicate picks (the first match), or nothing.
    TMasterTaskPtr TakeInFlight(const std::function<bool(const TBaseMasterTask&)>& pick);
    std::list<TMasterTaskPtr> TakeAllInFlight();
    // Calls the exchange handler (master thread).
    void Deliver(const TVariant& result);

    TOrderedMutex& Lock() { return lock_; }
    bool Closing();

  private:
    bool HasWork() override;
    void ProcessOne() override;
    void OnException(const std::string& message) override;
    void MarkCancelled(const std::function<bool(const TBaseMasterTask&)>& which);

    const int32_t id_;
    const uint8_t kind_;
    TOrderedMutex lock_{TLockLevel::Master};
    std::list<TMasterTaskPtr> pending_;
    std::list<TMasterTaskPtr> inFlight_;
    bool closing_ = false;
    int32_t transportID_ = kNoID;
    std::mutex handlerMutex_;  // a leaf lock: only swaps and copies the handler
    TExchangeHandler handler_;
};

}  // namespace trelon
