#include "bus_object.h"

#include <stdexcept>

#include "bus_codec.h"
#include "bus_server.h"

namespace trelon {

TBusEventSink::TBusEventSink(QDBusConnection bus, QString owner, QString path,
                             QList<const TBusInterfaceSpec*> interfaces)
    : bus_(std::move(bus)),
      owner_(std::move(owner)),
      path_(std::move(path)),
      interfaces_(std::move(interfaces)) {}

bool TBusEventSink::Fire(const QString& name, const QVariantList& args) {
    std::lock_guard guard(lock_);
    if (!attached_) return false;
    for (const TBusInterfaceSpec* iface : interfaces_) {
        auto it = iface->Signals.find(name);
        if (it == iface->Signals.end()) continue;
        QDBusMessage m = QDBusMessage::createTargetedSignal(owner_, path_, iface->Name, name);
        m.setArguments(EncodeBusArgs(args, it->Args));
        // Sending under the lock keeps the order of events fired from different threads.
        return bus_.send(m);
    }
    throw std::logic_error("no event " + name.toStdString() + " on " + path_.toStdString());
}

void TBusEventSink::Detach() {
    std::lock_guard guard(lock_);
    attached_ = false;
}

bool TBusEventSink::Attached() const {
    std::lock_guard guard(lock_);
    return attached_;
}

TBusObject::TBusObject(const TBusObjectInit& init, const QStringList& interfaceNames)
    : path_(init.Path), owner_(init.Owner), server_(init.Server) {
    QStringList names = interfaceNames;
    if (!Public()) {
        names.prepend(QStringLiteral("TrelonSrv.Object"));
        AddMethod(QStringLiteral("TrelonSrv.Object"), QStringLiteral("Release"),
                  [server = server_, path = path_](TBusCall& c) {
                      c.Reply();
                      server->ReleaseObject(path);
                  });
    }
    for (const QString& name : names) {
        const TBusInterfaceSpec* spec = TBusInterfaces::Instance().Find(name);
        if (!spec) throw std::logic_error("unknown interface " + name.toStdString());
        interfaces_.append(spec);
    }
    events_ = std::make_shared<TBusEventSink>(init.Bus, owner_, path_, interfaces_);
}

TBusObject::~TBusObject() {
    events_->Detach();
}

QString TBusObject::IntrospectionXml() const {
    QString xml;
    for (const TBusInterfaceSpec* iface : interfaces_) xml += iface->Xml + '\n';
    return xml;
}

void TBusObject::AddMethod(const QString& iface, const QString& name, TMethod fn) {
    methods_[Key(iface, name)] = std::move(fn);
}

void TBusObject::AddProperty(const QString& iface, const QString& name, TGetter get, TSetter set) {
    properties_[Key(iface, name)] = {std::move(get), std::move(set)};
}

const TBusObject::TMethod* TBusObject::FindMethod(const QString& iface, const QString& name,
                                                  const TBusMethodSpec** spec) const {
    for (const TBusInterfaceSpec* i : interfaces_) {
        if (!iface.isEmpty() && i->Name != iface) continue;
        auto m = i->Methods.find(name);
        if (m == i->Methods.end()) continue;
        auto h = methods_.find(Key(i->Name, name));
        if (h == methods_.end()) return nullptr;
        *spec = &*m;
        return &*h;
    }
    return nullptr;
}

const TBusPropertySpec* TBusObject::FindProperty(const QString& iface, const QString& name,
                                                 QString* ifaceOut) const {
    for (const TBusInterfaceSpec* i : interfaces_) {
        if (!iface.isEmpty() && i->Name != iface) continue;
        auto p = i->Properties.find(name);
        if (p == i->Properties.end()) continue;
        if (ifaceOut) *ifaceOut = i->Name;
        return &*p;
    }
    return nullptr;
}

QVariant TBusObject::GetProperty(const QString& iface, const QString& name) const {
    auto it = properties_.find(Key(iface, name));
    if (it == properties_.end() || !it->first) throw std::logic_error("property not readable");
    return it->first();
}

void TBusObject::SetProperty(const QString& iface, const QString& name, const QVariant& value) {
    auto it = properties_.find(Key(iface, name));
    if (it == properties_.end() || !it->second) throw std::logic_error("property not writable");
    it->second(value);
}

QStringList TBusObject::MissingHandlers() const {
    QStringList missing;
    for (const TBusInterfaceSpec* i : interfaces_) {
        for (const TBusMethodSpec& m : i->Methods)
            if (!methods_.contains(Key(i->Name, m.Name))) missing << Key(i->Name, m.Name);
        for (const TBusPropertySpec& p : i->Properties) {
            auto it = properties_.find(Key(i->Name, p.Name));
            if (it == properties_.end() || (p.Readable && !it->first) ||
                (p.Writable && !it->second))
                missing << Key(i->Name, p.Name);
        }
    }
    return missing;
}

}  // namespace trelon
