// The server's side of the bus: the name TrelonSrv.Server, the class factory at /TrelonSrv
// and every object it made, each served only to its owner and released when the owner's
// connection goes away. All calls are dispatched on the main thread.
#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QMap>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "bus_object.h"

namespace trelon {

inline constexpr const char* kServiceName = "TrelonSrv.Server";
inline constexpr const char* kFactoryPath = "/TrelonSrv";

class TBusServer : public QDBusVirtualObject {
    Q_OBJECT
  public:
    using TFactoryFn = std::function<std::unique_ptr<TBusObject>(const TBusObjectInit&)>;

    explicit TBusServer(QDBusConnection bus, QObject* parent = nullptr);
    ~TBusServer() override;

    // A class the factory can create; progId is "TrelonSrv." + className.
    void RegisterClass(const QString& className, TFactoryFn create);
    // Program identifiers that are known but whose class is not offered.
    static QStringList KnownProgIds();

    // Registers the objects and asks for the bus name. False when the name is taken.
    bool Start(QString* error);
    // Destroys an object as releasing its last reference does.
    void ReleaseObject(const QString& path);
    // Destroys every object, newest first (shutdown).
    void ReleaseAll();
    int ObjectCount() const { return int(objects_.size()); }
    QDBusConnection Bus() const { return bus_; }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  signals:
    // The last object is gone (emitted after a short grace with none created meanwhile).
    void Idle();

  private:
    void Dispatch(TBusObject& obj, const QDBusMessage& msg);
    void HandleProperties(TBusObject& obj, const QDBusMessage& msg);
    void CreateObject(TBusCall& call);
    void ReleaseOwner(const QString& owner);
    void WatchOwner(const QString& owner);
    void CheckIdle();

    QDBusConnection bus_;
    std::unique_ptr<TBusObject> factory_;
    QMap<QString, std::pair<QString, TFactoryFn>> classes_;   // progId -> (class, create)
    QMap<QString, quint32> counters_;                         // class -> last number used
    std::map<QString, std::unique_ptr<TBusObject>> objects_;  // by path
    QDBusServiceWatcher ownerWatcher_;
    QTimer idleTimer_;
};

}  // namespace trelon
