// The client's side of one server object: connects to a running server or has one started
// (bus activation, otherwise the server binary beside this program), creates the object,
// turns error replies into exceptions and releases the object when it goes.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <stdexcept>

#include "variant.h"

namespace trelon {

// An error reply of the server (or of the bus), as the caller sees it.
class TBusError : public std::runtime_error {
  public:
    TBusError(const QString& name, const QString& message)
        : std::runtime_error((name + ": " + message).toStdString()), name_(name), text_(message) {}
    const QString& Name() const { return name_; }
    const QString& Text() const { return text_; }

  private:
    QString name_, text_;
};

inline constexpr const char* kServerName = "TrelonSrv.Server";

// Makes sure a server owns its name on the bus, starting one if need be; throws TBusError
// when none is there within timeoutMs.
void EnsureServer(const QDBusConnection& bus, int timeoutMs = 10000);

class TServerObject : public QObject {
    Q_OBJECT
  public:
    explicit TServerObject(QDBusConnection bus = QDBusConnection::sessionBus(),
                           QObject* parent = nullptr);
    ~TServerObject() override;

    // Creates the server object of a class ("TrelonSrv.MBComMaster"); throws TBusError.
    void Create(const QString& progId);
    // Tells the server to destroy the object; errors are ignored (it may be gone already).
    void Release();
    bool IsCreated() const { return !path_.isEmpty(); }
    const QString& Path() const { return path_; }
    QDBusConnection Bus() const { return bus_; }

    // A call on the object; returns the reply's arguments or throws TBusError.
    QVariantList Call(const QString& iface, const QString& member, const QVariantList& args = {});
    // Delivers the object's event to a slot of receiver on receiver's thread, in the order
    // the server fired the events. Call after Create.
    bool ConnectEvent(const QString& iface, const QString& name, QObject* receiver,
                      const char* slot);
    // Properties of the object.
    QVariant Property(const QString& iface, const QString& name);
    void SetProperty(const QString& iface, const QString& name, const QVariant& value);

  signals:
    // The server left the bus (it ended or crashed): the object is gone with it.
    void ServerLost();

  protected:
    QDBusConnection bus_;
    QString path_;
    QString serverOwner_;  // unique name of the server that holds the object
};

// Wraps an automation value as a call argument, and reads one from a reply.
QVariant ToArg(const TVariant& v);
TVariant FromArg(const QVariant& v);

}  // namespace trelon
