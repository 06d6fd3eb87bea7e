// A bus client of one MBComMaster object, collecting its events in order.
#pragma once

#include <QObject>
#include <deque>
#include <optional>

#include "bus/server_proxy.h"
#include "bus/wire_value.h"

namespace trelon::test {

struct TExchange {
    int QID, Address, Function;
    TVariant Value;
    int Result;
};

class TMBClient : public QObject {
    Q_OBJECT
  public:
    explicit TMBClient(QDBusConnection bus);
    TServerObject& Object() { return obj_; }
    void Set(const char* property, const QVariant& value);
    QVariant Get(const char* property);
    void Call(const char* method, const QVariantList& args);
    // The next event of a QID (others stay queued); nothing when none came in time.
    std::optional<TExchange> Next(int qid, int timeoutMs = 20000);
    std::deque<TExchange> Exchanges;
    std::deque<bool> ConnectedEvents;

  public slots:
    void OnExchange(int qid, int address, int function, trelon::TVariant value, int result);
    void OnChangeConnected(bool connected);

  private:
    TServerObject obj_;
};

}  // namespace trelon::test
