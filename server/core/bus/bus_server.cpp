#include "bus_server.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDebug>

#include "bus/wire_value.h"
#include "bus_codec.h"

namespace trelon {

namespace {

// An activated server ends this long after its last object went, or after start when
// no object is ever made (a client that only echoed).
constexpr int kIdleGraceMs = 1000;
constexpr int kFirstUseGraceMs = 30000;
const QString kPropertiesIface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectIface = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

// The class factory at /TrelonSrv: anyone may call it.
class TFactoryObject : public TBusObject {
  public:
    TFactoryObject(const TBusObjectInit& init, std::function<void(TBusCall&)> create)
        : TBusObject(init, {QStringLiteral("TrelonSrv.Factory")}) {
        const QString iface = QStringLiteral("TrelonSrv.Factory");
        AddMethod(iface, QStringLiteral("CreateObject"), std::move(create));
        AddMethod(iface, QStringLiteral("Echo"), [](TBusCall& c) { c.Reply({c.Args()[0]}); });
        AddProperty(iface, QStringLiteral("ObjectCount"),
                    [this] { return QVariant(Server()->ObjectCount()); });
    }
};

void SendError(const QDBusConnection& bus, const QDBusMessage& msg, const QString& name,
               const QString& text) {
    if (msg.isReplyRequired()) bus.send(msg.createErrorReply(name, text));
}

}  // namespace

TBusServer::TBusServer(QDBusConnection bus, QObject* parent)
    : QDBusVirtualObject(parent), bus_(bus), ownerWatcher_(this) {
    RegisterWireTypes();
    factory_ = std::make_unique<TFactoryObject>(
        TBusObjectInit{bus_, QString(), QLatin1String(kFactoryPath), this},
        [this](TBusCall& c) { CreateObject(c); });
    ownerWatcher_.setConnection(bus_);
    ownerWatcher_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&ownerWatcher_, &QDBusServiceWatcher::serviceUnregistered, this,
            [this](const QString& owner) { ReleaseOwner(owner); });
    idleTimer_.setSingleShot(true);
    connect(&idleTimer_, &QTimer::timeout, this, [this] {
        if (objects_.empty()) emit Idle();
    });
}

TBusServer::~TBusServer() {
    ReleaseAll();
}

QStringList TBusServer::KnownProgIds() {
    return {QStringLiteral("TrelonSrv.MBComMaster"), QStringLiteral("TrelonSrv.BBComMaster"),
            QStringLiteral("TrelonSrv.AnyMaster"), QStringLiteral("TrelonSrv.AnyTransport")};
}

void TBusServer::RegisterClass(const QString& className, TFactoryFn create) {
    classes_[QStringLiteral("TrelonSrv.") + className] = {className, std::move(create)};
}

bool TBusServer::Start(QString* error) {
    if (!bus_.isConnected()) {
        *error = QStringLiteral("no connection to the session bus: ") + bus_.lastError().message();
        return false;
    }
    if (!bus_.registerVirtualObject(QLatin1String(kFactoryPath), this, QDBusConnection::SubPath)) {
        *error = QStringLiteral("cannot register the object ") + kFactoryPath;
        return false;
    }
    auto reply = bus_.interface()->registerService(QLatin1String(kServiceName),
                                                   QDBusConnectionInterface::DontQueueService,
                                                   QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        *error = QStringLiteral("the name %1 is taken by another server").arg(kServiceName);
        bus_.unregisterObject(QLatin1String(kFactoryPath));
        return false;
    }
    if (objects_.empty()) idleTimer_.start(kFirstUseGraceMs);
    return true;
}

void TBusServer::ReleaseAll() {
    while (!objects_.empty()) ReleaseObject(std::prev(objects_.end())->first);
}

QString TBusServer::introspect(const QString& path) const {
    if (path == QLatin1String(kFactoryPath)) {
        QString xml = factory_->IntrospectionXml();
        QSet<QString> classes;
        for (const auto& [p, obj] : objects_) classes.insert(p.section('/', 2, 2));
        for (const QString& c : classes) xml += QStringLiteral("<node name=\"%1\"/>").arg(c);
        return xml;
    }
    auto it = objects_.find(path);
    if (it != objects_.end()) return it->second->IntrospectionXml();
    // A class folder lists its objects.
    QString xml;
    for (const auto& [p, obj] : objects_)
        if (p.startsWith(path + '/'))
            xml += QStringLiteral("<node name=\"%1\"/>").arg(p.section('/', -1));
    return xml;
}

bool TBusServer::handleMessage(const QDBusMessage& msg, const QDBusConnection& connection) {
    Q_UNUSED(connection);
    if (msg.type() != QDBusMessage::MethodCallMessage) return false;
    if (msg.interface() == kIntrospectIface) return false;  // Qt answers from introspect()
    TBusObject* obj = nullptr;
    if (msg.path() == QLatin1String(kFactoryPath)) {
        obj = factory_.get();
    } else if (auto it = objects_.find(msg.path()); it != objects_.end()) {
        obj = it->second.get();
    }
    if (!obj) {
        SendError(bus_, msg, QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
                  QStringLiteral("No such object path '%1'").arg(msg.path()));
        return true;
    }
    if (!obj->Public() && msg.service() != obj->Owner()) {
        SendError(bus_, msg, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                  QStringLiteral("%1 belongs to another client").arg(msg.path()));
        return true;
    }
    if (msg.interface() == kPropertiesIface)
        HandleProperties(*obj, msg);
    else
        Dispatch(*obj, msg);
    return true;
}

void TBusServer::Dispatch(TBusObject& obj, const QDBusMessage& msg) {
    const TBusMethodSpec* spec = nullptr;
    const TBusObject::TMethod* method = obj.FindMethod(msg.interface(), msg.member(), &spec);
    if (!method) {
        SendError(bus_, msg, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                  QStringLiteral("No method %1 in interface '%2' of %3")
                      .arg(msg.member(), msg.interface(), msg.path()));
        return;
    }
    if (msg.signature() != spec->InSignature()) {
        SendError(bus_, msg, kInvalidArgs,
                  QStringLiteral("%1 takes (%2), not (%3)")
                      .arg(msg.member(), spec->InSignature(), msg.signature()));
        return;
    }
    QVariantList args;
    QString error;
    if (!DecodeBusArgs(msg.arguments(), spec->In, args, &error)) {
        SendError(bus_, msg, kInvalidArgs, msg.member() + QStringLiteral(": ") + error);
        return;
    }
    TBusCall call(bus_, msg, args, spec->Out);
    // A copy, since the handler may destroy the object that holds it (Release).
    const TBusObject::TMethod handler = *method;
    try {
        handler(call);
        if (!call.Delayed() && !call.Answered()) call.Reply();
    } catch (const std::exception& e) {
        call.Fail(QString::fromUtf8(e.what()));
    }
}

void TBusServer::HandleProperties(TBusObject& obj, const QDBusMessage& msg) {
    const QVariantList a = msg.arguments();
    const QString member = msg.member();
    auto fail = [&](const QString& name, const QString& text) { SendError(bus_, msg, name, text); };
    auto reply = [&](const QVariantList& outs) {
        if (msg.isReplyRequired()) bus_.send(msg.createReply(outs));
    };
    try {
        if (member == QLatin1String("GetAll") && msg.signature() == QLatin1String("s")) {
            QVariantMap all;
            for (const TBusInterfaceSpec* i : obj.Interfaces()) {
                if (!a[0].toString().isEmpty() && i->Name != a[0].toString()) continue;
                for (const TBusPropertySpec& p : i->Properties)
                    if (p.Readable)
                        all[p.Name] = EncodeBusArg(obj.GetProperty(i->Name, p.Name), p.Signature);
            }
            reply({QVariant::fromValue(all)});
            return;
        }
        const bool isGet = member == QLatin1String("Get") && msg.signature() == QLatin1String("ss");
        const bool isSet =
            member == QLatin1String("Set") && msg.signature() == QLatin1String("ssv");
        if (!isGet && !isSet) {
            fail(kInvalidArgs, QStringLiteral("bad call of %1.%2").arg(kPropertiesIface, member));
            return;
        }
        QString iface;
        const TBusPropertySpec* p = obj.FindProperty(a[0].toString(), a[1].toString(), &iface);
        if (!p) {
            fail(QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                 QStringLiteral("No property %1 on %2").arg(a[1].toString(), msg.path()));
            return;
        }
        if (isGet) {
            if (!p->Readable) {
                fail(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                     QStringLiteral("Property %1 is write-only").arg(p->Name));
                return;
            }
            reply({QVariant::fromValue(
                QDBusVariant(EncodeBusArg(obj.GetProperty(iface, p->Name), p->Signature)))});
            return;
        }
        if (!p->Writable) {
            fail(QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
                 QStringLiteral("Property %1 is read-only").arg(p->Name));
            return;
        }
        QVariant value;
        QString error;
        if (!DecodeBusArg(a[2].value<QDBusVariant>().variant(), p->Signature, value, &error)) {
            fail(kInvalidArgs, p->Name + QStringLiteral(": ") + error);
            return;
        }
        obj.SetProperty(iface, p->Name, value);
        reply({});
    } catch (const std::exception& e) {
        fail(QLatin1String(kServerErrorName), QString::fromUtf8(e.what()));
    }
}

void TBusServer::CreateObject(TBusCall& call) {
    const QString progId = call.Str(0);
    auto it = classes_.find(progId);
    if (it == classes_.end()) {
        call.Error(QStringLiteral("TrelonSrv.Error.ClassNotRegistered"),
                   QStringLiteral("Class not registered: %1").arg(progId));
        return;
    }
    const QString& className = it->first;
    const QString path = QStringLiteral("%1/%2/%3")
                             .arg(QLatin1String(kFactoryPath), className)
                             .arg(++counters_[className]);
    std::unique_ptr<TBusObject> obj = it->second({bus_, call.Sender(), path, this});
    if (QStringList missing = obj->MissingHandlers(); !missing.isEmpty())
        qCritical() << className << "has no handlers for" << missing;
    objects_[path] = std::move(obj);
    idleTimer_.stop();
    WatchOwner(call.Sender());
    call.Reply({QVariant::fromValue(QDBusObjectPath(path))});
}

void TBusServer::ReleaseObject(const QString& path) {
    auto it = objects_.find(path);
    if (it == objects_.end()) return;
    const QString owner = it->second->Owner();
    std::unique_ptr<TBusObject> obj = std::move(it->second);
    objects_.erase(it);
    obj.reset();  // the class does its own releasing in its destructor
    bool ownerLeft = false;
    for (const auto& [p, o] : objects_) ownerLeft = ownerLeft || o->Owner() == owner;
    if (!ownerLeft) ownerWatcher_.removeWatchedService(owner);
    CheckIdle();
}

void TBusServer::ReleaseOwner(const QString& owner) {
    std::vector<QString> paths;
    for (const auto& [p, o] : objects_)
        if (o->Owner() == owner) paths.push_back(p);
    for (auto p = paths.rbegin(); p != paths.rend(); ++p) ReleaseObject(*p);
}

void TBusServer::WatchOwner(const QString& owner) {
    if (ownerWatcher_.watchedServices().contains(owner)) return;
    ownerWatcher_.addWatchedService(owner);
    // The owner may have gone before the watch was in place: ask once, without blocking.
    auto* w = new QDBusPendingCallWatcher(
        bus_.interface()->asyncCall(QStringLiteral("NameHasOwner"), owner), this);
    connect(w, &QDBusPendingCallWatcher::finished, this, [this, w, owner] {
        QDBusPendingReply<bool> r = *w;
        if (r.isValid() && !r.value()) ReleaseOwner(owner);
        w->deleteLater();
    });
}

void TBusServer::CheckIdle() {
    if (objects_.empty()) idleTimer_.start(kIdleGraceMs);
}

}  // namespace trelon
