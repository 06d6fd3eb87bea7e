// A private D-Bus daemon for one test suite, with a chosen folder of activation files, and
// a wait that runs the Qt event loop until a condition holds.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace trelon::test {

class TPrivateBus {
  public:
    // serviceDir: folder with *.service files the bus may activate ("" for none).
    explicit TPrivateBus(const QString& serviceDir);
    ~TPrivateBus();
    const QString& Address() const { return address_; }
    // A new client connection of its own (its own unique name).
    QDBusConnection Connect(const QString& name);
    // Kills whatever process owns the name (a server left running by a test).
    void KillOwnerOf(const QString& busName);
    // Process id of the name's owner, 0 when none.
    uint OwnerPid(const QString& busName);

  private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList connections_;
};

// Runs the event loop until pred() is true or timeoutMs passes; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 15000);

// Folders written by the build.
QString TestHostServiceDir();
QString ServerServiceDir();
QString BinDir();

}  // namespace trelon::test
