#include "mbcommaster.h"

#include "bus_server.h"
#include "core/model/server_factory.h"
#include "mb_enums.h"

namespace trelon {

namespace {

const QString kIface = QStringLiteral("TrelonSrv.IMBComMaster");
const QString kEvents = QStringLiteral("TrelonSrv.IMBComMasterEvents");
constexpr int kNoTransport = 18;  // result of a request that no transport can carry

TVariant Byte(int v) {
    return TVariant::OfInt(vtByte, v);
}

// Function numbers by request kind, for results made without an exchange.
int FunctionOf(int kind, int exchangeFunction) {
    static const int kFunctions[] = {0, 17, 3, 16, 4, 1, 15, 2, 65, 65, 7, 8, 65};
    return kind == 0 ? exchangeFunction : kFunctions[kind];
}

}  // namespace

// The result handler of one connection: fires OnExchange until the connection ends.
struct TMBComMaster::TConnection {
    std::shared_ptr<TBusEventSink> Sink;
    bool Live = true;  // guarded by the sink's event lock

    void OnResult(const TVariant& r) {
        std::lock_guard lock(Sink->Lock());
        if (!Live) return;
        Sink->Fire(QStringLiteral("OnExchange"),
                   {r[1].ToInt(), r[2].ToInt(), r[3].ToInt(), Wire(r[4]), r[5].ToInt()});
    }
    void End() {
        std::lock_guard lock(Sink->Lock());
        Live = false;
    }
};

TVariant ToRequestValue(const TVariant& v) {
    if (!v.IsArray()) return v;
    if (v.Dims() != 1) return TVariant();
    TVariant out = TVariant::Array(vtVariant, v.Bounds());
    for (size_t k = 0; k < v.Size(); ++k) out.Items()[k] = ToRequestValue(v.Items()[k]);
    return out;
}

int TMBComMaster::SpeedCode(int comSpeed) {
    switch (comSpeed) {
        case 1200:
            return 0;
        case 2400:
            return 1;
        case 4800:
            return 2;
        case 9600:
            return 3;
        case 38400:
            return 5;
        case 57600:
            return 6;
        case 115200:
            return 7;
        default:
            return 4;
    }
}

int TMBComMaster::MasterParity(int parity) {
    switch (parity) {
        case mbcEven:
            return 2;
        case mbcOdd:
            return 1;
        default:
            return 0;
    }
}

TMBComMaster::TMBComMaster(const TBusObjectInit& init) : TBusObject(init, {kIface, kEvents}) {
    AddProperties();
    AddRequests();
}

TMBComMaster::~TMBComMaster() {
    // No event after this point: the connection ends under the event lock, the master's
    // requests are cancelled, then the master goes before its transport.
    std::lock_guard lock(lock_);
    if (connection_) connection_->End();
    Events()->Detach();
    if (masterID_ != -1) {
        if (auto m = ServerFactory().FindMaster(masterID_)) {
            m->CancelAll();
            m->SetExchangeHandler({});
        }
        ServerFactory().FreeMaster(masterID_);
    }
    if (transportID_ != -1) ServerFactory().ReleaseTransport(transportID_);
}

void TMBComMaster::AddProperties() {
    auto intProp = [this](const char* name, int TMBComMaster::*field,
                          void (TMBComMaster::*after)()) {
        AddProperty(
            kIface, name,
            [this, field] {
                std::lock_guard lock(lock_);
                return QVariant(this->*field);
            },
            [this, field, after](const QVariant& v) {
                std::lock_guard lock(lock_);
                this->*field = v.toInt();
                if (after) (this->*after)();
            });
    };
    auto boolProp = [this](const char* name, bool TMBComMaster::*field) {
        AddProperty(
            kIface, name,
            [this, field] {
                std::lock_guard lock(lock_);
                return QVariant(this->*field);
            },
            [this, field](const QVariant& v) {
                std::lock_guard lock(lock_);
                this->*field = v.toBool();
                SendMasterProps();
            });
    };
    AddProperty(
        kIface, "ComPort",
        [this] {
            std::lock_guard lock(lock_);
            return QVariant(QString::fromStdString(comPort_));
        },
        [this](const QVariant& v) {
            std::lock_guard lock(lock_);
            comPort_ = v.toString().toStdString();
        });
    intProp("ComSpeed", &TMBComMaster::comSpeed_, nullptr);
    AddProperty(
        kIface, "LinkType",
        [this] {
            std::lock_guard lock(lock_);
            return QVariant(linkType_);
        },
        [this](const QVariant& v) {
            std::lock_guard lock(lock_);
            if (transportID_ == -1) linkType_ = v.toInt();  // kept while connected
        });
    intProp("Mode", &TMBComMaster::mode_, &TMBComMaster::SendMasterProps);
    intProp("Parity", &TMBComMaster::parity_, &TMBComMaster::SendMasterProps);
    intProp("DeviceAddres", &TMBComMaster::deviceAddres_, &TMBComMaster::SendMasterProps);
    intProp("Retries", &TMBComMaster::retries_, &TMBComMaster::SendMasterProps);
    intProp("AnswerDelay", &TMBComMaster::answerDelay_, &TMBComMaster::SendTransportProps);
    intProp("InterByte", &TMBComMaster::interByte_, &TMBComMaster::SendTransportProps);
    boolProp("OptimalUseFunction", &TMBComMaster::optimalUseFunction_);
    boolProp("AdjustToWord", &TMBComMaster::adjustToWord_);
    AddProperty(
        kIface, "Connected",
        [this] {
            std::lock_guard lock(lock_);
            return QVariant(transportID_ != -1);
        },
        [this](const QVariant& v) { SetConnected(v.toBool()); });
}

void TMBComMaster::AddRequests() {
    auto addr = [this] {
        std::lock_guard lock(lock_);
        return deviceAddres_;
    };
    auto i = [](int v) { return TVariant(v); };
    AddMethod(kIface, "Exchange", [=, this](TBusCall& c) {
        Request(c,
                {Byte(0), i(c.Int(0)), i(c.Int(1)), i(c.Int(2)), i(c.Int(4)),
                 ToRequestValue(c.Value(6))},
                c.Int(1), c.Int(2));
    });
    AddMethod(kIface, "GetDeviceName", [=, this](TBusCall& c) {
        Request(c, {Byte(1), i(c.Int(0))}, addr(), 17);
    });
    auto regs = [=, this](int kind) {
        return [=, this](TBusCall& c) {
            Request(c,
                    {Byte(kind), i(c.Int(0)), i(c.Int(1)), i(c.Int(2)), ToRequestValue(c.Value(3)),
                     i(c.Int(4))},
                    addr(), FunctionOf(kind, 0));
        };
    };
    AddMethod(kIface, "ReadHoldRegs", regs(2));
    AddMethod(kIface, "ReadInputRegs", regs(4));
    auto write = [=, this](int kind) {
        return [=, this](TBusCall& c) {
            Request(c,
                    {Byte(kind), i(c.Int(0)), i(c.Int(1)), i(c.Int(2)), ToRequestValue(c.Value(3))},
                    addr(), FunctionOf(kind, 0));
        };
    };
    AddMethod(kIface, "WriteHoldRegs", write(3));
    AddMethod(kIface, "WriteHoldBins", write(6));
    auto bins = [=, this](int kind) {
        return [=, this](TBusCall& c) {
            Request(c, {Byte(kind), i(c.Int(0)), i(c.Int(1)), i(c.Int(2)), i(c.Int(3))}, addr(),
                    FunctionOf(kind, 0));
        };
    };
    AddMethod(kIface, "ReadHoldBins", bins(5));
    AddMethod(kIface, "ReadInputBins", bins(7));
    AddMethod(kIface, "ReadTimeArch", [=, this](TBusCall& c) {
        std::vector<TVariant> r{Byte(8)};
        for (int k = 0; k < 9; ++k) r.push_back(i(c.Int(k)));
        r.push_back(ToRequestValue(c.Value(9)));
        Request(c, std::move(r), addr(), 65);
    });
    AddMethod(kIface, "ReadIndexArch", [=, this](TBusCall& c) {
        Request(c,
                {Byte(9), i(c.Int(0)), i(c.Int(1)), i(c.Int(2)), i(c.Int(3)),
                 ToRequestValue(c.Value(4))},
                addr(), 65);
    });
    AddMethod(kIface, "ReadStatus", [=, this](TBusCall& c) {
        Request(c, {Byte(10), i(c.Int(0)), i(c.Int(1))}, addr(), 7);
    });
    AddMethod(kIface, "TestDevice", [=, this](TBusCall& c) {
        Request(c, {Byte(11), i(c.Int(0)), i(0), i(0), i(0xAAAA)}, addr(), 8);
    });
    AddMethod(kIface, "ResetDeviceCOMOption", [=, this](TBusCall& c) {
        Request(c, {Byte(11), i(c.Int(0)), i(0), i(1), i(0xFF00)}, addr(), 8);
    });
    AddMethod(kIface, "FreeTask", [this](TBusCall& c) {
        std::lock_guard lock(lock_);
        if (auto m = ServerFactory().FindMaster(masterID_)) m->CancelQID(c.Int(0));
    });
    AddMethod(kIface, "FreeAllTasks", [this](TBusCall&) {
        std::lock_guard lock(lock_);
        if (auto m = ServerFactory().FindMaster(masterID_)) m->CancelAll();
    });
}

void TMBComMaster::Request(TBusCall& call, std::vector<TVariant> request, int address,
                           int function) {
    std::unique_lock lock(lock_);
    if (masterID_ == -1) {
        lock.unlock();
        // Not connected: the request cannot be carried; the client learns it at once.
        call.Reply();
        Events()->Fire(QStringLiteral("OnExchange"), {request[1].ToInt(), address, function,
                                                      Wire(TVariant::Null()), kNoTransport});
        return;
    }
    std::shared_ptr<TBaseMaster> m = ServerFactory().FindMaster(masterID_);
    if (!m) throw std::runtime_error("mi in TMBComMaster.SetMasterProps is nil");
    m->AddTask(TVariant::Array(vtVariant, std::move(request)));
}

TVariant TMBComMaster::TransportProps() const {
    const bool rs485 = linkType_ == 1;
    std::vector<TVariant> p{Byte(rs485 ? 1 : 0), TVariant(comPort_), Byte(SpeedCode(comSpeed_))};
    if (rs485) {
        p.insert(p.end(),
                 {TVariant(answerDelay_), TVariant(interByte_), TVariant(retries_), TVariant(0)});
    } else {
        p.insert(p.end(),
                 {Byte(0), TVariant(answerDelay_), TVariant(interByte_), TVariant(retries_)});
    }
    return TVariant::Array(vtVariant, std::move(p));
}

TVariant TMBComMaster::MasterProps() const {
    return TVariant::Array(vtVariant, {Byte(0), Byte(deviceAddres_), Byte(mode_ == 1 ? 1 : 0),
                                       Byte(MasterParity(parity_)), TVariant(retries_),
                                       TVariant(adjustToWord_), TVariant(optimalUseFunction_)});
}

void TMBComMaster::SendMasterProps() {
    if (masterID_ == -1) return;
    std::shared_ptr<TBaseMaster> m = ServerFactory().FindMaster(masterID_);
    if (!m) throw std::runtime_error("mi in TMBComMaster.SetMasterProps is nil");
    m->SetProps(MasterProps());
}

void TMBComMaster::SendTransportProps() {
    if (transportID_ == -1) return;
    std::shared_ptr<TBaseTransport> t = ServerFactory().FindTransport(transportID_);
    if (!t) throw std::runtime_error("mi in TMBComMaster.SetMasterProps is nil");
    t->SetProps(TransportProps());
}

void TMBComMaster::SetConnected(bool on) {
    {
        std::lock_guard lock(lock_);
        if (on == (transportID_ != -1)) return;  // no change, no event
        if (on)
            Connect();
        else
            Disconnect();
    }
    bool connected;
    {
        std::lock_guard lock(lock_);
        connected = transportID_ != -1;
    }
    FireChangeConnected(connected);
}

void TMBComMaster::Connect() {
    TServerFactory& factory = ServerFactory();
    transportID_ = factory.GetTransport(TransportProps());
    if (transportID_ == -1) return;
    auto connection = std::make_shared<TConnection>();
    connection->Sink = Events();
    masterID_ = factory.CreateMaster(MasterProps(),
                                     [connection](const TVariant& r) { connection->OnResult(r); });
    if (auto m = factory.FindMaster(masterID_)) m->SetTransportID(transportID_);
    connection_ = std::move(connection);
}

void TMBComMaster::Disconnect() {
    TServerFactory& factory = ServerFactory();
    if (connection_) connection_->End();  // results still on their way are dropped
    connection_.reset();
    if (auto m = factory.FindMaster(masterID_)) m->CancelAll();
    factory.FreeMaster(masterID_);
    factory.ReleaseTransport(transportID_);
    masterID_ = transportID_ = -1;
}

void TMBComMaster::FireChangeConnected(bool connected) {
    Events()->Fire(QStringLiteral("OnChangeConnected"), {connected});
}

void RegisterMBComMaster(TBusServer& server) {
    server.RegisterClass(QStringLiteral("MBComMaster"), [](const TBusObjectInit& init) {
        return std::make_unique<TMBComMaster>(init);
    });
}

}  // namespace trelon
