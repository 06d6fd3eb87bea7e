#include "bus_peer.h"

#include <QCoreApplication>
#include <QDBusServer>
#include <QDBusVirtualObject>

#include "expect.h"

namespace trelon::fuzz {

namespace {

constexpr const char* kPath = "/fuzz";
constexpr const char* kInterface = "trelon.Fuzz";
constexpr const char* kMember = "Take";
// Offset of the body length in a message header.
constexpr size_t kBodyLengthAt = 4;

size_t BodyLength(const std::vector<uint8_t>& message) {
    size_t length = 0;
    for (size_t k = 0; k < 4; ++k) length |= size_t(message[kBodyLengthAt + k]) << (8 * k);
    return length;
}

// The header of a call with one automation value (qv), in little-endian order: the
// marshalled call of a sample value without its body.
std::vector<uint8_t> WireValueCallHeader() {
    DBusMessage* m = dbus_message_new_method_call(nullptr, kPath, kInterface, kMember);
    dbus_message_set_no_reply(m, TRUE);
    dbus_message_set_serial(m, 1);
    DBusMessageIter body, value, payload;
    dbus_message_iter_init_append(m, &body);
    dbus_uint16_t code = 0;
    dbus_bool_t empty = FALSE;
    dbus_message_iter_open_container(&body, DBUS_TYPE_STRUCT, nullptr, &value);
    dbus_message_iter_append_basic(&value, DBUS_TYPE_UINT16, &code);
    dbus_message_iter_open_container(&value, DBUS_TYPE_VARIANT, "b", &payload);
    dbus_message_iter_append_basic(&payload, DBUS_TYPE_BOOLEAN, &empty);
    dbus_message_iter_close_container(&value, &payload);
    dbus_message_iter_close_container(&body, &value);
    char* blob = nullptr;
    int length = 0;
    Expect(dbus_message_marshal(m, &blob, &length) && blob[0] == 'l', "cannot marshal");
    std::vector<uint8_t> header(blob, blob + length);
    header.resize(header.size() - BodyLength(header));
    dbus_free(blob);
    dbus_message_unref(m);
    return header;
}

}  // namespace

class TBusPeer::TReceiver : public QDBusVirtualObject {
  public:
    TReceiver(THandler handler, std::atomic<bool>& handled)
        : handler_(std::move(handler)), handled_(handled) {}

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        handler_(message);
        handled_ = true;
        return true;
    }

  private:
    THandler handler_;
    std::atomic<bool>& handled_;
};

TBusPeer::TBusPeer(THandler handler)
    : header_(WireValueCallHeader()),
      receiver_(std::make_unique<TReceiver>(std::move(handler), handled_)),
      // An abstract socket: nothing is left behind in the file system.
      server_(std::make_unique<QDBusServer>(
          QStringLiteral("unix:abstract=trelon-fuzz-%1").arg(QCoreApplication::applicationPid()))),
      qtClient_(QStringLiteral("none")) {
    Expect(server_->isConnected(), "cannot listen");
    QObject::connect(server_.get(), &QDBusServer::newConnection,
                     [this](const QDBusConnection& connection) {
                         taken_.append(connection);
                         taken_.back().registerVirtualObject(kPath, receiver_.get());
                     });
    DBusError error;
    dbus_error_init(&error);
    QByteArray address = server_->address().toUtf8();
    client_ = dbus_connection_open_private(address.constData(), &error);
    Expect(client_ != nullptr, "cannot connect");
    dbus_error_free(&error);
    qtClient_ = QDBusConnection::connectToPeer(server_->address(), "trelon-fuzz-client");
    Expect(qtClient_.isConnected(), "Qt cannot connect");
    while (taken_.size() < 2) {
        dbus_connection_read_write(client_, 10);
        QCoreApplication::processEvents();
    }
    dbus_connection_flush(client_);
}

TBusPeer::~TBusPeer() {
    dbus_connection_close(client_);
    dbus_connection_unref(client_);
    QDBusConnection::disconnectFromPeer(qtClient_.name());
}

DBusMessage* TBusPeer::MakeCall(std::span<const uint8_t> body) const {
    std::vector<uint8_t> blob(header_);
    for (size_t k = 0; k < 4; ++k) blob[kBodyLengthAt + k] = uint8_t(body.size() >> (8 * k));
    blob.insert(blob.end(), body.begin(), body.end());
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* m = dbus_message_demarshal(reinterpret_cast<const char*>(blob.data()),
                                            int(blob.size()), &error);
    dbus_error_free(&error);
    return m;
}

void TBusPeer::Deliver(DBusMessage* message) {
    handled_ = false;
    Expect(dbus_connection_send(client_, message, nullptr), "cannot send");
    dbus_connection_flush(client_);
    WaitUntilHandled();
}

void TBusPeer::Deliver(const QVariantList& arguments) {
    handled_ = false;
    QDBusMessage call = QDBusMessage::createMethodCall({}, kPath, kInterface, kMember);
    call.setArguments(arguments);
    Expect(qtClient_.send(call), "Qt cannot send");
    WaitUntilHandled();
}

void TBusPeer::WaitUntilHandled() {
    while (!handled_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace trelon::fuzz
