// The one place where transports and masters are created, found and destroyed: a worker
// thread with a queue of slow requests (connect, release, free, state notices) and
// synchronous lookups and creations for the automation objects.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/model/base_master.h"
#include "core/model/base_transport.h"

namespace trelon {

// A generic transport object that follows its transport's link state.
class ITransportStateListener {
  public:
    virtual ~ITransportStateListener() = default;
    virtual int32_t ListenedTransportID() const = 0;
    virtual void SetListenedTransportID(int32_t id) = 0;
    virtual void TransportStateChanged(int32_t state) = 0;
    virtual void ConnectFinished() = 0;  // clears its connection-in-progress flag
};

enum TFactoryTaskKind : uint8_t {
    ftConnectTransport = 0,
    ftReleaseTransport = 1,
    ftFreeMaster = 2,
    ftTransportState = 3,
};

struct TFactoryTask {
    TFactoryTaskKind TaskKind = ftReleaseTransport;
    TVariant Props;
    uint8_t TransportKind = 0;
    ITransportStateListener* Requester = nullptr;
    int32_t TargetID = kNoID;
    int32_t State = 0;
};

class TServerFactory : public TWorkerThread {
  public:
    using TTransportCreator = std::function<std::shared_ptr<TBaseTransport>()>;
    using TMasterCreator = std::function<std::shared_ptr<TBaseMaster>()>;

    TServerFactory();
    ~TServerFactory() override;

    // The classes behind the kinds; registered by the server's start-up.
    void RegisterTransportKind(int kind, TTransportCreator create);
    void RegisterMasterKind(int kind, TMasterCreator create);

    // A new transport or master of a kind, constructed, not yet started.
    std::shared_ptr<TBaseTransport> NewTransport(int kind);
    std::shared_ptr<TBaseMaster> NewMaster(int kind);

    // A transport for the props: a shared one that matches, or a new connected one; -1
    // when the link cannot be opened. Releases queued before it are performed first, so a
    // client that closes a port and opens it again finds it free.
    int32_t GetTransport(const TVariant& props);
    // A new running master with the props and handler; its identifier.
    int32_t CreateMaster(const TVariant& props, TExchangeHandler handler);
    // The live object, kept alive for as long as the caller holds it; null when none.
    std::shared_ptr<TBaseTransport> FindTransport(int32_t id);
    std::shared_ptr<TBaseMaster> FindMaster(int32_t id);

    void RegisterAnyTransport(ITransportStateListener* object);
    void UnregisterAnyTransport(ITransportStateListener* object);
    bool IsAnyTransportRegistered(ITransportStateListener* object);
    void NotifyTransportStateNow(int32_t id, int32_t state);
    void AbortConnect() { abort_.Set(); }

    // Queued; each returns at once.
    void ConnectTransport(ITransportStateListener* requester, const TVariant& props);
    void ReleaseTransport(int32_t id);
    void FreeMaster(int32_t id);
    void NotifyTransportState(int32_t id, int32_t state);

    // Waits until every request queued before the call has been performed.
    void WaitIdle();
    size_t TransportCount();
    size_t MasterCount();

    // Ends every master, then every transport, then the factory's own thread (which first
    // performs what is queued). Call once, holding no ordered lock.
    void Shutdown();

  private:
    bool HasWork() override;
    void ProcessOne() override;
    void OnException(const std::string& message) override;
    void Queue(TFactoryTask task);
    void DoConnect(TFactoryTask& task);
    void DoReleaseTransport(int32_t id);
    void DoFreeMaster(int32_t id);
    void DoTransportState(int32_t id, int32_t state);

    TOrderedMutex mastersLock_{TLockLevel::FactoryMasters};
    TOrderedMutex transportsLock_{TLockLevel::FactoryTransports};
    std::vector<std::shared_ptr<TBaseMaster>> masters_;
    std::vector<std::shared_ptr<TBaseTransport>> transports_;
    std::map<int, TTransportCreator> transportKinds_;
    std::map<int, TMasterCreator> masterKinds_;

    std::mutex queueMutex_;  // leaf lock of the request queue
    std::deque<TFactoryTask> queue_;
    std::condition_variable idle_;
    bool busy_ = false;
    int releasesPending_ = 0;  // queued or running ftReleaseTransport requests

    std::recursive_mutex anyTransportsMutex_;
    std::vector<ITransportStateListener*> anyTransports_;
    TEvent abort_{TEventReset::Manual};
};

// The process's one factory. Set by TServerFactoryScope; using it without one is a fault.
TServerFactory& ServerFactory();

class TServerFactoryScope {
  public:
    TServerFactoryScope();
    ~TServerFactoryScope();
    TServerFactoryScope(const TServerFactoryScope&) = delete;
    TServerFactoryScope& operator=(const TServerFactoryScope&) = delete;
    TServerFactory& Factory() { return *factory_; }

  private:
    std::unique_ptr<TServerFactory> factory_;
};

}  // namespace trelon
