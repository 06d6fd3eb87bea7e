#include "core/model/base_master.h"

#include "core/model/server_factory.h"
#include "log/logging.h"

namespace trelon {

std::string MasterDisplayName(int kind) {
    switch (kind) {
        case 0:
            return "Modbus";
        case 1:
            return "Bitbus";
        default:
            return "?";
    }
}

TBaseMaster::TBaseMaster(uint8_t kind)
    : TWorkerThread(TThreadPriority::Normal, TStopMode::Immediate),
      id_(NewObjectID()),
      kind_(kind) {}

TBaseMaster::~TBaseMaster() {
    Stop();
}

void TBaseMaster::Launch() {
    Start("master " + std::to_string(id_));
    LogMessage("Создание мастера " + MasterDisplayName(kind_) + " (ID = " + std::to_string(id_) +
               ")");
}

void TBaseMaster::Shutdown() {
    LogMessage("Удаление мастера " + MasterDisplayName(kind_) + " (ID = " + std::to_string(id_) +
               ")");
    {
        std::lock_guard lock(lock_);
        closing_ = true;
    }
    Stop();
    std::list<TMasterTaskPtr> pending, inFlight;
    {
        std::lock_guard lock(lock_);
        pending.swap(pending_);
        inFlight.swap(inFlight_);
    }
    // Freed here, outside the lock; a client that is going away expects no result.
}

void TBaseMaster::SetTransportID(int32_t id) {
    std::lock_guard lock(lock_);
    transportID_ = id;
}

int32_t TBaseMaster::TransportID() {
    std::lock_guard lock(lock_);
    return transportID_;
}

void TBaseMaster::SetExchangeHandler(TExchangeHandler handler) {
    std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
}

void TBaseMaster::Deliver(const TVariant& result) {
    TExchangeHandler handler;
    {
        std::lock_guard lock(handlerMutex_);
        handler = handler_;
    }
    if (handler) handler(result);
}

bool TBaseMaster::Closing() {
    std::lock_guard lock(lock_);
    return closing_;
}

bool TBaseMaster::GoesBefore(const TBaseMasterTask& task, const TBaseMasterTask& other) const {
    return other.Priority > task.Priority;
}

void TBaseMaster::InsertTask(TMasterTaskPtr task) {
    {
        std::lock_guard lock(lock_);
        auto pos = pending_.begin();
        while (pos != pending_.end() && !GoesBefore(*task, **pos)) ++pos;
        pending_.insert(pos, std::move(task));
    }
    Wake();
}

TMasterTaskPtr TBaseMaster::RemovePending(TBaseMasterTask& task) {
    std::lock_guard lock(lock_);
    for (auto it = pending_.begin(); it != pending_.end(); ++it)
        if (it->get() == &task) {
            TMasterTaskPtr owned = std::move(*it);
            pending_.erase(it);
            return owned;
        }
    return nullptr;
}

std::list<TMasterTaskPtr> TBaseMaster::TakePending(
    const std::function<bool(const TBaseMasterTask&)>& pick) {
    std::lock_guard lock(lock_);
    std::list<TMasterTaskPtr> taken;
    for (auto it = pending_.begin(); it != pending_.end();) {
        auto next = std::next(it);
        if (pick(**it)) taken.splice(taken.end(), pending_, it);
        it = next;
    }
    return taken;
}

void TBaseMaster::AddInFlight(TMasterTaskPtr task) {
    std::lock_guard lock(lock_);
    inFlight_.push_back(std::move(task));
}

TMasterTaskPtr TBaseMaster::TakeInFlight(const std::function<bool(const TBaseMasterTask&)>& pick) {
    std::lock_guard lock(lock_);
    for (auto it = inFlight_.begin(); it != inFlight_.end(); ++it)
        if (pick(**it)) {
            TMasterTaskPtr owned = std::move(*it);
            inFlight_.erase(it);
            return owned;
        }
    return nullptr;
}

std::list<TMasterTaskPtr> TBaseMaster::TakeAllInFlight() {
    std::lock_guard lock(lock_);
    std::list<TMasterTaskPtr> all;
    all.swap(inFlight_);
    return all;
}

void TBaseMaster::MarkCancelled(const std::function<bool(const TBaseMasterTask&)>& which) {
    for (TMasterTaskPtr& t : pending_)
        if (which(*t)) t->Cancelled = true;
    for (TMasterTaskPtr& t : inFlight_)
        if (which(*t)) t->Cancelled = true;
}

void TBaseMaster::CancelAll() {
    std::lock_guard lock(lock_);
    if (std::shared_ptr<TBaseTransport> t = ServerFactory().FindTransport(transportID_))
        t->CancelMasterTasks(id_);
    MarkCancelled([](const TBaseMasterTask&) { return true; });
}

void TBaseMaster::CancelQID(int32_t qid) {
    std::lock_guard lock(lock_);
    if (std::shared_ptr<TBaseTransport> t = ServerFactory().FindTransport(transportID_))
        t->CancelMasterTask(id_, qid);
    MarkCancelled([qid](const TBaseMasterTask& t) { return t.QID == qid; });
}

bool TBaseMaster::HasWork() {
    std::lock_guard lock(lock_);
    return !pending_.empty() && !closing_;
}

void TBaseMaster::ProcessOne() {
    TBaseMasterTask* first = nullptr;
    {
        std::lock_guard lock(lock_);
        if (pending_.empty() || closing_) return;
        first = pending_.front().get();
        if (first->Cancelled) {
            pending_.pop_front();
            return;
        }
    }
    // Only this thread removes pending tasks, so first stays valid.
    ProcessTask(*first);
}

void TBaseMaster::OnException(const std::string& message) {
    LogDebug("Мастер " + std::to_string(id_) + ": Exeption (" + message + ") caught in Execute");
}

}  // namespace trelon
