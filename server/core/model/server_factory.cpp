#include "core/model/server_factory.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "log/logging.h"

namespace trelon {

namespace {

std::atomic<TServerFactory*> gFactory{nullptr};

int KindOf(const TVariant& props) {
    if (!props.IsArray() || props.Dims() != 1 || props.Size() == 0)
        throw std::invalid_argument("props: not a one-dimensional array");
    return props.Items()[0].ToInt();
}

}  // namespace

TServerFactory& ServerFactory() {
    TServerFactory* f = gFactory.load();
    if (!f) throw std::logic_error("no server factory");
    return *f;
}

TServerFactoryScope::TServerFactoryScope() : factory_(std::make_unique<TServerFactory>()) {
    TServerFactory* expected = nullptr;
    if (!gFactory.compare_exchange_strong(expected, factory_.get()))
        throw std::logic_error("a server factory exists already");
    factory_->Start("factory");
}

TServerFactoryScope::~TServerFactoryScope() {
    factory_->Shutdown();
    gFactory.store(nullptr);
}

TServerFactory::TServerFactory() : TWorkerThread(TThreadPriority::Normal, TStopMode::Drain) {}

TServerFactory::~TServerFactory() {
    Stop();
}

void TServerFactory::RegisterTransportKind(int kind, TTransportCreator create) {
    std::lock_guard lock(transportsLock_);
    transportKinds_[kind] = std::move(create);
}

void TServerFactory::RegisterMasterKind(int kind, TMasterCreator create) {
    std::lock_guard lock(mastersLock_);
    masterKinds_[kind] = std::move(create);
}

std::shared_ptr<TBaseTransport> TServerFactory::NewTransport(int kind) {
    auto it = transportKinds_.find(kind);
    std::shared_ptr<TBaseTransport> t = it == transportKinds_.end() ? nullptr : it->second();
    if (!t) throw std::runtime_error("TServerFactory.NewTransport: Result = nil");
    return t;
}

std::shared_ptr<TBaseMaster> TServerFactory::NewMaster(int kind) {
    auto it = masterKinds_.find(kind);
    std::shared_ptr<TBaseMaster> m = it == masterKinds_.end() ? nullptr : it->second();
    if (!m) throw std::runtime_error("TServerFactory.NewMaster: Result = nil");
    return m;
}

int32_t TServerFactory::GetTransport(const TVariant& props) {
    {
        // Bounded: a release waits at most for the exchange in progress on that link.
        std::unique_lock lock(queueMutex_);
        idle_.wait_for(lock, std::chrono::seconds(30), [this] { return releasesPending_ == 0; });
    }
    std::shared_ptr<TBaseTransport> failed;
    {
        std::lock_guard lock(transportsLock_);
        for (const auto& t : transports_)
            if (t->SameProps(props)) {
                t->AddUsage();
                return t->ID();
            }
        std::shared_ptr<TBaseTransport> t = NewTransport(KindOf(props));
        t->SetProps(props);
        t->Announce();
        if (t->Connect(nullptr)) {
            t->StartThread();
            transports_.push_back(t);
            return t->ID();
        }
        failed = std::move(t);
    }
    failed->Shutdown();  // it has no thread yet: nothing to join
    return kNoID;
}

int32_t TServerFactory::CreateMaster(const TVariant& props, TExchangeHandler handler) {
    std::lock_guard lock(mastersLock_);
    std::shared_ptr<TBaseMaster> m = NewMaster(KindOf(props));
    m->SetProps(props);
    m->SetExchangeHandler(std::move(handler));
    m->Launch();  // started only now that it is fully set up
    masters_.push_back(m);
    return m->ID();
}

std::shared_ptr<TBaseTransport> TServerFactory::FindTransport(int32_t id) {
    if (id == kNoID) return nullptr;
    std::lock_guard lock(transportsLock_);
    for (const auto& t : transports_)
        if (t->ID() == id) return t;
    return nullptr;
}

std::shared_ptr<TBaseMaster> TServerFactory::FindMaster(int32_t id) {
    if (id == kNoID) return nullptr;
    std::lock_guard lock(mastersLock_);
    for (const auto& m : masters_)
        if (m->ID() == id) return m;
    return nullptr;
}

void TServerFactory::RegisterAnyTransport(ITransportStateListener* object) {
    std::lock_guard lock(anyTransportsMutex_);
    anyTransports_.push_back(object);
}

void TServerFactory::UnregisterAnyTransport(ITransportStateListener* object) {
    std::lock_guard lock(anyTransportsMutex_);
    std::erase(anyTransports_, object);
}

bool TServerFactory::IsAnyTransportRegistered(ITransportStateListener* object) {
    std::lock_guard lock(anyTransportsMutex_);
    return std::find(anyTransports_.begin(), anyTransports_.end(), object) != anyTransports_.end();
}

void TServerFactory::NotifyTransportStateNow(int32_t id, int32_t state) {
    DoTransportState(id, state);
}

void TServerFactory::Queue(TFactoryTask task) {
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(task));
    }
    Wake();
}

void TServerFactory::ConnectTransport(ITransportStateListener* requester, const TVariant& props) {
    TFactoryTask t;
    t.TaskKind = ftConnectTransport;
    t.Props = props;
    t.TransportKind = uint8_t(KindOf(props));
    t.Requester = requester;
    Queue(std::move(t));
}

void TServerFactory::ReleaseTransport(int32_t id) {
    {
        std::lock_guard lock(queueMutex_);
        ++releasesPending_;
    }
    Queue({ftReleaseTransport, {}, 0, nullptr, id, 0});
}

void TServerFactory::FreeMaster(int32_t id) {
    Queue({ftFreeMaster, {}, 0, nullptr, id, 0});
}

void TServerFactory::NotifyTransportState(int32_t id, int32_t state) {
    Queue({ftTransportState, {}, 0, nullptr, id, state});
}

void TServerFactory::WaitIdle() {
    std::unique_lock lock(queueMutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

size_t TServerFactory::TransportCount() {
    std::lock_guard lock(transportsLock_);
    return transports_.size();
}

size_t TServerFactory::MasterCount() {
    std::lock_guard lock(mastersLock_);
    return masters_.size();
}

bool TServerFactory::HasWork() {
    std::lock_guard lock(queueMutex_);
    return !queue_.empty();
}

void TServerFactory::ProcessOne() {
    TFactoryTask task;
    {
        std::lock_guard lock(queueMutex_);
        if (queue_.empty()) return;
        task = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
    }
    // Whatever happens to the request, waiters learn that it is done.
    struct TIdleOnExit {
        TServerFactory* f;
        bool release;
        ~TIdleOnExit() {
            std::lock_guard lock(f->queueMutex_);
            f->busy_ = false;
            if (release) --f->releasesPending_;
            f->idle_.notify_all();
        }
    } idleOnExit{this, task.TaskKind == ftReleaseTransport};
    switch (task.TaskKind) {
        case ftConnectTransport:
            DoConnect(task);
            break;
        case ftReleaseTransport:
            DoReleaseTransport(task.TargetID);
            break;
        case ftFreeMaster:
            DoFreeMaster(task.TargetID);
            break;
        case ftTransportState:
            DoTransportState(task.TargetID, task.State);
            break;
    }
}

void TServerFactory::OnException(const std::string&) {
    LogMessage("ServerFactory: Неожиданная ошибка");
}

void TServerFactory::DoConnect(TFactoryTask& task) {
    int32_t id = kNoID;
    std::shared_ptr<TBaseTransport> failed;
    {
        std::lock_guard lock(transportsLock_);
        for (const auto& t : transports_)
            if (t->SameProps(task.Props)) {
                t->AddUsage();
                id = t->ID();
                break;
            }
        if (id == kNoID) {
            std::shared_ptr<TBaseTransport> t = NewTransport(task.TransportKind);
            t->SetProps(task.Props);
            if (IsAnyTransportRegistered(task.Requester))
                task.Requester->SetListenedTransportID(t->ID());
            t->Announce();
            abort_.Reset();
            if (t->Connect(&abort_)) {
                t->StartThread();
                transports_.push_back(t);
                id = t->ID();
            } else {
                failed = std::move(t);
            }
        }
    }
    if (failed) failed->Shutdown();
    std::lock_guard lock(anyTransportsMutex_);
    if (!IsAnyTransportRegistered(task.Requester)) return;
    task.Requester->SetListenedTransportID(id);
    task.Requester->TransportStateChanged(id != kNoID ? 1 : 0);
    task.Requester->ConnectFinished();
}

void TServerFactory::DoReleaseTransport(int32_t id) {
    LogDebug("ServerFactory ftReleaseTransport enter");
    std::shared_ptr<TBaseTransport> gone;
    {
        std::lock_guard lock(transportsLock_);
        for (auto it = transports_.rbegin(); it != transports_.rend(); ++it) {
            if ((*it)->ID() != id) continue;
            (*it)->DropUsage();
            if (!(*it)->InUse()) {
                gone = *it;
                transports_.erase(std::next(it).base());
            }
            break;
        }
    }
    // Out of the list, no lock held: its thread can be joined safely.
    if (gone) gone->Shutdown();
    LogDebug("ServerFactory ftReleaseTransport leave");
}

void TServerFactory::DoFreeMaster(int32_t id) {
    LogDebug("ServerFactory ftFreeMaster enter");
    std::shared_ptr<TBaseMaster> gone;
    {
        std::lock_guard lock(mastersLock_);
        for (auto it = masters_.rbegin(); it != masters_.rend(); ++it)
            if ((*it)->ID() == id) {
                gone = *it;
                masters_.erase(std::next(it).base());
                break;
            }
    }
    if (gone) {
        gone->CancelAll();
        gone->SetExchangeHandler({});
        gone->Shutdown();
    }
    LogDebug("ServerFactory ftFreeMaster leave");
}

void TServerFactory::DoTransportState(int32_t id, int32_t state) {
    std::lock_guard lock(anyTransportsMutex_);
    for (ITransportStateListener* l : anyTransports_)
        if (l->ListenedTransportID() == id) l->TransportStateChanged(state);
}

void TServerFactory::Shutdown() {
    Stop();  // performs what is queued first
    std::vector<std::shared_ptr<TBaseMaster>> masters;
    std::vector<std::shared_ptr<TBaseTransport>> transports;
    {
        std::lock_guard lock(mastersLock_);
        masters.swap(masters_);
    }
    for (auto& m : masters) {
        m->CancelAll();
        m->SetExchangeHandler({});
        m->Shutdown();
    }
    {
        std::lock_guard lock(transportsLock_);
        transports.swap(transports_);
    }
    for (auto& t : transports) t->Shutdown();
}

}  // namespace trelon
