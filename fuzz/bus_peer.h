// Hands calls with one automation value (qv), their body given as raw bytes, to Qt the way
// a real connection does: a libdbus client sends them over a private peer connection to a
// QDBusServer in this process, and the handler receives each one as Qt demarshalled it.
#pragma once

#include <dbus/dbus.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QVariant>
#include <atomic>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class QDBusServer;

namespace trelon::fuzz {

class TBusPeer {
  public:
    using THandler = std::function<void(const QDBusMessage&)>;

    // Listens, connects and waits until Qt has taken the connections. Needs a
    // QCoreApplication; aborts when no connection can be made.
    explicit TBusPeer(THandler handler);
    ~TBusPeer();

    // A call whose body is the bytes; nullptr when libdbus finds them no valid body for
    // the signature (qv) (a bus would refuse such a message too). The caller unrefs it.
    DBusMessage* MakeCall(std::span<const uint8_t> body) const;

    // Sends the message and returns once the handler has run for it.
    void Deliver(DBusMessage* message);
    // The same for a call that Qt marshals from the arguments, over a second connection.
    void Deliver(const QVariantList& arguments);

  private:
    class TReceiver;

    std::vector<uint8_t> header_;  // of a call with an empty body
    std::unique_ptr<TReceiver> receiver_;
    std::unique_ptr<QDBusServer> server_;
    QList<QDBusConnection> taken_;  // by the server, one per client
    QDBusConnection qtClient_;
    DBusConnection* client_ = nullptr;
    std::atomic<bool> handled_ = false;

    void WaitUntilHandled();
};

}  // namespace trelon::fuzz
