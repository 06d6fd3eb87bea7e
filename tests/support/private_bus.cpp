#include "private_bus.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QTimer>
#include <csignal>
#include <stdexcept>

namespace trelon::test {

TPrivateBus::TPrivateBus(const QString& serviceDir) {
    QString conf = dir_.filePath("bus.conf");
    QFile f(conf);
    if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write bus config");
    QString services = serviceDir.isEmpty()
                           ? QString()
                           : QStringLiteral("<servicedir>%1</servicedir>").arg(serviceDir);
    f.write(
        QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=%1</listen>%2"
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
            .arg(dir_.path(), services)
            .toUtf8());
    f.close();
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + conf, QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(10000)) throw std::runtime_error("dbus-daemon did not start");
    while (!daemon_.canReadLine())
        if (!daemon_.waitForReadyRead(10000)) throw std::runtime_error("no bus address");
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    // Processes the test starts (servers, scripts) find the bus here.
    qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
}

TPrivateBus::~TPrivateBus() {
    for (const QString& c : connections_) QDBusConnection::disconnectFromBus(c);
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusConnection TPrivateBus::Connect(const QString& name) {
    connections_ << name;
    return QDBusConnection::connectToBus(address_, name);
}

uint TPrivateBus::OwnerPid(const QString& busName) {
    QDBusConnection c = Connect(QStringLiteral("pid-query"));
    auto reply = c.interface()->servicePid(busName);
    uint pid = reply.isValid() ? reply.value() : 0;
    QDBusConnection::disconnectFromBus(QStringLiteral("pid-query"));
    connections_.removeAll(QStringLiteral("pid-query"));
    return pid;
}

void TPrivateBus::KillOwnerOf(const QString& busName) {
    if (uint pid = OwnerPid(busName)) ::kill(pid_t(pid), SIGKILL);
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QTimer wake;  // conditions outside Qt (a process ending) are seen within a tick
    wake.start(10);
    while (!pred()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QString TestHostServiceDir() {
    return QStringLiteral(TRELON_TEST_HOST_SERVICES);
}
QString ServerServiceDir() {
    return QStringLiteral(TRELON_SERVER_SERVICES);
}
QString BinDir() {
    return QStringLiteral(TRELON_BIN_DIR);
}

}  // namespace trelon::test
