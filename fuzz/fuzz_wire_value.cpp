// The bus wire-value decoder: the bytes are the body of a call whose signature is (qv),
// checked by libdbus as a bus would, and reach the decoder as Qt demarshals them from a
// real connection. A value that decodes is used as handlers use it, and encoded again as
// Echo returns it: that must decode to the same value.
#include <QCoreApplication>
#include <QDBusArgument>
#include <cstdint>
#include <optional>

#include "bus/wire_value.h"
#include "bus_peer.h"
#include "expect.h"

using namespace trelon;
using fuzz::Expect;

namespace {

fuzz::TBusPeer* peer = nullptr;
std::optional<TVariant> decoded;  // of the last call delivered; empty when refused

void Decode(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    Expect(args.size() == 1 && args[0].metaType() == QMetaType::fromType<QDBusArgument>(),
           "Qt did not give one structure");
    TVariant v;
    QString error;
    bool ok = DecodeWire(args[0].value<QDBusArgument>(), v, &error);
    Expect(ok == error.isEmpty(), "a refusal must say why, a success must not");
    decoded = ok ? std::optional(std::move(v)) : std::nullopt;
}

// The conversions handlers make of their arguments: each gives a value or raises.
template <typename F>
void Convert(F conversion) {
    try {
        (void)conversion();
    } catch (const EVariantError&) {
    }
}

// What handlers do with a value they were given.
void Use(const TVariant& v) {
    (void)v.Debug();
    Convert([&] { return v.ToInt(); });
    Convert([&] { return v.ToBool(); });
    Convert([&] { return v.ToDouble(); });
    Convert([&] { return v.ToText(); });
    for (int d = 0; d < v.Dims(); ++d) {
        Expect(v.HighBound(d) - v.LowBound(d) + 1 == v.Bounds()[size_t(d)].Count,
               "bounds out of step");
    }
    for (const TVariant& item : v.Items()) Use(item);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static int qtArgc = 1;
    static char* qtArgv[] = {(*argv)[0], nullptr};
    (void)argc;
    // Qt's warnings about odd values it was given are expected here by the thousand.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Both live as long as the process.
    new QCoreApplication(qtArgc, qtArgv);
    RegisterWireTypes();
    peer = new fuzz::TBusPeer(Decode);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DBusMessage* message = peer->MakeCall(std::span(data, size));
    if (!message) return -1;  // refused by libdbus: never reaches the server
    peer->Deliver(message);
    dbus_message_unref(message);
    if (!decoded) return 0;
    TVariant first = *decoded;
    Use(first);
    peer->Deliver(QVariantList{QVariant::fromValue(ToWire(first))});
    Expect(decoded && *decoded == first, "an echoed value decodes to another");
    return 0;
}
