#include "server_proxy.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include "factory_proxy.h"
#include "wire_value.h"

namespace trelon {

namespace {

const QString kPropertiesIface = QStringLiteral("org.freedesktop.DBus.Properties");

[[noreturn]] void Throw(const QDBusError& e) {
    throw TBusError(e.name(), e.message());
}

QVariantList Checked(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw TBusError(reply.errorName(), reply.errorMessage());
    return reply.arguments();
}

}  // namespace

void EnsureServer(const QDBusConnection& bus, int timeoutMs) {
    if (!bus.isConnected()) Throw(bus.lastError());
    QDBusConnectionInterface* busIface = bus.interface();
    if (busIface->isServiceRegistered(QLatin1String(kServerName)).value()) return;
    // Bus activation first: the way a user's session starts the server.
    QDBusReply<void> started = busIface->startService(QLatin1String(kServerName));
    if (!started.isValid()) {
        const QString exe = QDir(QCoreApplication::applicationDirPath()).filePath("trelonsrv");
        if (!QFileInfo(exe).isExecutable() || !QProcess::startDetached(exe, {}))
            throw TBusError(QStringLiteral("TrelonSrv.Error.NotStarted"),
                            QStringLiteral("cannot start the server: %1; %2")
                                .arg(started.error().message(), exe));
    }
    QElapsedTimer clock;
    clock.start();
    while (!busIface->isServiceRegistered(QLatin1String(kServerName)).value()) {
        if (clock.elapsed() > timeoutMs)
            throw TBusError(QStringLiteral("TrelonSrv.Error.NotStarted"),
                            QStringLiteral("the server did not come up on the bus"));
        QThread::msleep(20);
    }
}

TServerObject::TServerObject(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    RegisterWireTypes();
    auto* watcher = new QDBusServiceWatcher(QLatin1String(kServerName), bus_,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString&) {
                if (!path_.isEmpty() && oldOwner == serverOwner_) {
                    path_.clear();
                    emit ServerLost();
                }
            });
}

TServerObject::~TServerObject() {
    Release();
}

void TServerObject::Create(const QString& progId) {
    Release();
    EnsureServer(bus_);
    TFactoryProxy factory(QLatin1String(kServerName), QStringLiteral("/TrelonSrv"), bus_);
    QDBusPendingReply<QDBusObjectPath> reply = factory.CreateObject(progId);
    reply.waitForFinished();
    if (reply.isError()) Throw(reply.error());
    serverOwner_ = reply.reply().service();
    path_ = reply.value().path();
}

void TServerObject::Release() {
    if (path_.isEmpty()) return;
    QDBusMessage m = QDBusMessage::createMethodCall(QLatin1String(kServerName), path_,
                                                    QStringLiteral("TrelonSrv.Object"),
                                                    QStringLiteral("Release"));
    m.setAutoStartService(false);  // never start a server just to release
    bus_.call(m, QDBus::Block, 5000);
    path_.clear();
}

QVariantList TServerObject::Call(const QString& iface, const QString& member,
                                 const QVariantList& args) {
    if (path_.isEmpty())
        throw TBusError(QStringLiteral("TrelonSrv.Error.NoObject"),
                        QStringLiteral("no server object for %1").arg(member));
    QDBusMessage m =
        QDBusMessage::createMethodCall(QLatin1String(kServerName), path_, iface, member);
    m.setArguments(args);
    m.setAutoStartService(false);  // a restarted server does not know this object
    return Checked(bus_.call(m, QDBus::Block));
}

bool TServerObject::ConnectEvent(const QString& iface, const QString& name, QObject* receiver,
                                 const char* slot) {
    return bus_.connect(QLatin1String(kServerName), path_, iface, name, receiver, slot);
}

QVariant TServerObject::Property(const QString& iface, const QString& name) {
    QVariantList r = Call(kPropertiesIface, QStringLiteral("Get"), {iface, name});
    return r.value(0).value<QDBusVariant>().variant();
}

void TServerObject::SetProperty(const QString& iface, const QString& name, const QVariant& value) {
    Call(kPropertiesIface, QStringLiteral("Set"),
         {iface, name, QVariant::fromValue(QDBusVariant(value))});
}

QVariant ToArg(const TVariant& v) {
    return QVariant::fromValue(ToWire(v));
}

TVariant FromArg(const QVariant& v) {
    TVariant out;
    QString error;
    if (v.metaType() != QMetaType::fromType<QDBusArgument>() ||
        !DecodeWire(v.value<QDBusArgument>(), out, &error))
        throw TBusError(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                        QStringLiteral("not an automation value: ") + error);
    return out;
}

}  // namespace trelon
