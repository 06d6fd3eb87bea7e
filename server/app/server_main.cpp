#include "server_main.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "bus_server.h"
#include "core/model/server_factory.h"
#include "core/thread_launcher.h"
#include "core/thread_priority.h"
#include "line_format.h"
#include "log/logging.h"

namespace trelon {

namespace {

int gSignalFd[2] = {-1, -1};

void OnSignal(int) {
    char b = 1;
    [[maybe_unused]] ssize_t n = ::write(gSignalFd[1], &b, 1);
}

// SIGTERM and SIGINT end the event loop, so shutdown runs in order on the main thread.
void QuitOnSignals(QCoreApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalFd) != 0) return;
    auto* n = new QSocketNotifier(gSignalFd[0], QSocketNotifier::Read, &app);
    QObject::connect(n, &QSocketNotifier::activated, &app, [&app] {
        char b;
        [[maybe_unused]] ssize_t r = ::read(gSignalFd[0], &b, 1);
        app.quit();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace

// "HighPriority": the whole process above normal, where the system allows it.
void RaiseProcessPriority() {
    if (::setpriority(PRIO_PROCESS, 0, -5) != 0)
        LogDebug("HighPriority: the system refused a raised priority");
}

int RunServer(int argc, char** argv, const TRegistration& registerAll) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TrelonSrv"));
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Trelon Server: serial, modem and TFTP "
                       "links with Modbus and BitBus masters"));
    options.addHelpOption();
    QCommandLineOption activated(QStringLiteral("activated"),
                                 QStringLiteral("Started by bus activation: end after the "
                                                "last object is released."));
    QCommandLineOption config(QStringLiteral("config"), QStringLiteral("Settings file."),
                              QStringLiteral("FILE"));
    QCommandLineOption logDir(QStringLiteral("log-dir"), QStringLiteral("Log folder."),
                              QStringLiteral("DIR"));
    options.addOptions({activated, config, logDir});
    options.process(app);

    QuitOnSignals(app);
    const TServerSettings settings = ReadServerSettings(SettingsPath(
        options.value(config).toStdString(), QCoreApplication::applicationDirPath().toStdString()));
    EnsureThreadLauncher();  // workers keep normal scheduling when main becomes idle-ish
    if (settings.HighPriority) RaiseProcessPriority();
    TLogKeeperScope log({settings.Path, options.value(logDir).toStdString(), {}});
    SetTenBitsForAll(settings.TenBitsForAll);
    auto factory = std::make_unique<TServerFactoryScope>();
    int status = 0;
    {
        TBusServer server(QDBusConnection::sessionBus());
        registerAll(server, factory->Factory(), settings);
        QString error;
        if (!server.Start(&error)) {
            std::fprintf(stderr, "trelonsrv: %s\n", qUtf8Printable(error));
            // A second server leaves the first one in peace and ends quietly.
            status = server.Bus().isConnected() ? 0 : 1;
        } else {
            if (options.isSet(activated))
                QObject::connect(&server, &TBusServer::Idle, &app, &QCoreApplication::quit);
            ApplyThreadPriority(TThreadPriority::Idle, "main");
            std::fprintf(stderr, "trelonsrv: serving %s on the session bus\n", kServiceName);
            status = app.exec();
            server.ReleaseAll();
        }
    }
    factory.reset();  // masters, then transports, then the factory's own thread
    return status;
}

}  // namespace trelon
