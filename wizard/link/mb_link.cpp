#include "mb_link.h"

#include "log_frame.h"
#include "mbcommaster_proxy.h"

namespace trelon::wizard {

namespace {

QString Iface() {
    return QString::fromLatin1(TrelonSrvIMBComMasterInterface::staticInterfaceName());
}
QString EventsIface() {
    return QString::fromLatin1(TrelonSrvIMBComMasterEventsInterface::staticInterfaceName());
}

const char* const kChangeConnectedSlot = SLOT(ChangeConnectedEvent(bool));
const char* const kExchangeSlot = SLOT(ExchangeEvent(int, int, int, trelon::TVariant, int));

}  // namespace

TMBComMaster::TMBComMaster(QDBusConnection bus, QObject* parent)
    : QObject(parent), server_(std::move(bus)) {
    connect(&server_, &TServerObject::ServerLost, this, &TMBComMaster::ServerLost);
}

TMBComMaster::~TMBComMaster() = default;

bool TMBComMaster::EnsureObject() {
    if (server_.IsCreated()) return true;
    try {
        server_.Create(QStringLiteral("TrelonSrv.MBComMaster"));
    } catch (const TBusError& e) {
        Failed(e);
        return false;
    }
    ConnectEvents(true);
    return true;
}

void TMBComMaster::ConnectEvents(bool on) {
    QDBusConnection bus = server_.Bus();
    const QString service = QLatin1String(kServerName);
    if (on) eventsPath_ = server_.Path();
    const QString path = eventsPath_;
    if (on) {
        bus.connect(service, path, EventsIface(), QStringLiteral("OnChangeConnected"), this,
                    kChangeConnectedSlot);
        bus.connect(service, path, EventsIface(), QStringLiteral("OnExchange"), this,
                    kExchangeSlot);
    } else {
        bus.disconnect(service, path, EventsIface(), QStringLiteral("OnChangeConnected"), this,
                       kChangeConnectedSlot);
        bus.disconnect(service, path, EventsIface(), QStringLiteral("OnExchange"), this,
                       kExchangeSlot);
    }
}

void TMBComMaster::Failed(const TBusError& e) {
    AddLog(QStringLiteral("Сервер связи: %1").arg(e.Text()));
}

void TMBComMaster::ServerLost() {
    // The object went with its server; a later access creates a new one, maybe at the
    // same path in a new server.
    ConnectEvents(false);
    outstanding_.clear();
    emit OnChangeConnected(false);
}

bool TMBComMaster::Connected() {
    if (!server_.IsCreated()) return false;
    try {
        return server_.Property(Iface(), QStringLiteral("Connected")).toBool();
    } catch (const TBusError& e) {
        Failed(e);
        return false;
    }
}

bool TMBComMaster::SetProp(const char* name, const QVariant& value) {
    if (!EnsureObject()) return false;
    try {
        server_.SetProperty(Iface(), QString::fromLatin1(name), value);
        return true;
    } catch (const TBusError& e) {
        Failed(e);
        return false;
    }
}

bool TMBComMaster::SetConnected(bool on) {
    if (!on && !server_.IsCreated()) return true;  // nothing to close
    if (!on) outstanding_.clear();                 // the server drops what was queued
    return SetProp("Connected", on);
}
bool TMBComMaster::SetComPort(const QString& port) {
    return SetProp("ComPort", port);
}
bool TMBComMaster::SetComSpeed(int speed) {
    return SetProp("ComSpeed", speed);
}
bool TMBComMaster::SetLinkType(int type) {
    return SetProp("LinkType", type);
}
bool TMBComMaster::SetMode(int mode) {
    return SetProp("Mode", mode);
}
bool TMBComMaster::SetParity(int parity) {
    return SetProp("Parity", parity);
}
bool TMBComMaster::SetDeviceAddres(int address) {
    return SetProp("DeviceAddres", address);
}
bool TMBComMaster::SetRetries(int retries) {
    if (!SetProp("Retries", retries)) return false;
    retries_ = retries;
    return true;
}
bool TMBComMaster::SetAnswerDelay(int ms) {
    if (!SetProp("AnswerDelay", ms)) return false;
    answerDelay_ = ms;
    return true;
}
bool TMBComMaster::SetOptimalUseFunction(bool on) {
    return SetProp("OptimalUseFunction", on);
}
bool TMBComMaster::SetInterByte(int ms) {
    return SetProp("InterByte", ms);
}

bool TMBComMaster::Invoke(const char* member, const QVariantList& args, int singleQid) {
    if (!EnsureObject()) return false;
    try {
        server_.Call(Iface(), QString::fromLatin1(member), args);
    } catch (const TBusError& e) {
        Failed(e);
        return false;
    }
    if (singleQid >= 0) ++outstanding_[singleQid];
    return true;
}

bool TMBComMaster::Read(int qid, int period, const char* member, int address, int dataType,
                        int count) {
    // The data type crosses as an unsigned byte value.
    const TVariant type = TVariant::OfUInt(vtByte, uint64_t(dataType));
    return Invoke(member, {qid, period, address, ToArg(type), count}, period == 0 ? qid : -1);
}

bool TMBComMaster::ReadInputRegs(int qid, int period, int regAddres, int dataType, int dataCount) {
    return Read(qid, period, "ReadInputRegs", regAddres, dataType, dataCount);
}

bool TMBComMaster::ReadHoldRegs(int qid, int period, int regAddres, int dataType, int dataCount) {
    return Read(qid, period, "ReadHoldRegs", regAddres, dataType, dataCount);
}

bool TMBComMaster::WriteHoldRegs(int qid, int period, int regAddres, const TVariant& value) {
    return Invoke("WriteHoldRegs", {qid, period, regAddres, ToArg(value)}, period == 0 ? qid : -1);
}

bool TMBComMaster::GetDeviceName(int qid) {
    return Invoke("GetDeviceName", {qid}, qid);
}

bool TMBComMaster::ReadHoldBins(int qid, int period, int binAddres, int dataCount) {
    return Invoke("ReadHoldBins", {qid, period, binAddres, dataCount}, period == 0 ? qid : -1);
}

bool TMBComMaster::WriteHoldBins(int qid, int period, int binAddres, const TVariant& value) {
    return Invoke("WriteHoldBins", {qid, period, binAddres, ToArg(value)}, period == 0 ? qid : -1);
}

bool TMBComMaster::FreeTask(int qid) {
    if (!server_.IsCreated()) return true;  // no object, no task
    outstanding_.erase(qid);
    return Invoke("FreeTask", {qid});
}

int TMBComMaster::Outstanding() const {
    int n = 0;
    for (const auto& [qid, count] : outstanding_) n += count;
    return n;
}

void TMBComMaster::ChangeConnectedEvent(bool connected) {
    if (!connected) outstanding_.clear();
    emit OnChangeConnected(connected);
}

void TMBComMaster::ExchangeEvent(int qid, int mbAddr, int funNumber, const TVariant& value,
                                 int result) {
    auto it = outstanding_.find(qid);
    if (it != outstanding_.end() && --it->second <= 0) outstanding_.erase(it);
    emit OnExchange(qid, mbAddr, funNumber, value, result);
}

}  // namespace trelon::wizard
