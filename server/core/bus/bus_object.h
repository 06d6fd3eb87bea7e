// Base of the server's automation objects on the bus: a path, an owner (the connection
// that created it), its interfaces with a handler for every member, and its events.
#pragma once

#include <QDBusConnection>
#include <QMap>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <mutex>

#include "bus_call.h"
#include "bus_interface.h"

namespace trelon {

class TBusServer;

struct TBusObjectInit {
    QDBusConnection Bus;
    QString Owner;  // unique name of the creating connection
    QString Path;
    TBusServer* Server = nullptr;
};

// Sends an object's events to its owner alone. Worker threads hold it; once detached
// (the object is going away) nothing more is sent. Events of one object leave in the
// order in which Fire was called, whatever the thread.
class TBusEventSink {
  public:
    TBusEventSink(QDBusConnection bus, QString owner, QString path,
                  QList<const TBusInterfaceSpec*> interfaces);
    bool Fire(const QString& name, const QVariantList& args);
    void Detach();
    bool Attached() const;
    // The event lock: held while firing, so detaching under it waits for a fire in progress.
    std::recursive_mutex& Lock() { return lock_; }

  private:
    QDBusConnection bus_;
    QString owner_, path_;
    QList<const TBusInterfaceSpec*> interfaces_;
    mutable std::recursive_mutex lock_;
    bool attached_ = true;
};

class TBusObject {
  public:
    using TMethod = std::function<void(TBusCall&)>;
    using TGetter = std::function<QVariant()>;
    using TSetter = std::function<void(const QVariant&)>;

    virtual ~TBusObject();
    TBusObject(const TBusObject&) = delete;
    TBusObject& operator=(const TBusObject&) = delete;

    const QString& Path() const { return path_; }
    const QString& Owner() const { return owner_; }
    // An object with no owner (the factory) may be called by anyone.
    bool Public() const { return owner_.isEmpty(); }
    const QList<const TBusInterfaceSpec*>& Interfaces() const { return interfaces_; }
    QString IntrospectionXml() const;

    // Dispatch (main thread). Interface may be empty: the first interface with the member.
    const TMethod* FindMethod(const QString& iface, const QString& name,
                              const TBusMethodSpec** spec) const;
    const TBusPropertySpec* FindProperty(const QString& iface, const QString& name,
                                         QString* ifaceOut) const;
    QVariant GetProperty(const QString& iface, const QString& name) const;
    void SetProperty(const QString& iface, const QString& name, const QVariant& value);
    // Members of the interfaces that have no handler (a fault of the class).
    QStringList MissingHandlers() const;

  protected:
    TBusObject(const TBusObjectInit& init, const QStringList& interfaceNames);

    void AddMethod(const QString& iface, const QString& name, TMethod fn);
    void AddProperty(const QString& iface, const QString& name, TGetter get, TSetter set = {});
    const std::shared_ptr<TBusEventSink>& Events() const { return events_; }
    TBusServer* Server() const { return server_; }

  private:
    static QString Key(const QString& iface, const QString& name) { return iface + '.' + name; }

    QString path_, owner_;
    TBusServer* server_;
    QList<const TBusInterfaceSpec*> interfaces_;
    QMap<QString, TMethod> methods_;
    QMap<QString, std::pair<TGetter, TSetter>> properties_;
    std::shared_ptr<TBusEventSink> events_;
};

}  // namespace trelon
