// The server with one more class, TrelonSrv.TestObject, for the bus tests.
#include <QDBusArgument>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "bus_object.h"
#include "bus_server.h"
#include "server_main.h"

namespace trelon {
namespace {

const QString kIface = QStringLiteral("TrelonSrv.ITestObject");

class TTestObject : public TBusObject {
  public:
    explicit TTestObject(const TBusObjectInit& init)
        : TBusObject(init, {kIface, QStringLiteral("TrelonSrv.ITestObjectEvents")}) {
        AddMethod(kIface, "Fire", [this](TBusCall& c) { Fire(c.Int(0)); });
        AddMethod(kIface, "Hold", [this](TBusCall& c) { held_.push_back({c.Delay(), c.Int(0)}); });
        AddMethod(kIface, "Unhold", [this](TBusCall&) {
            for (auto& [reply, tag] : held_) reply->Reply({tag});
            held_.clear();
        });
        AddMethod(kIface, "Fail",
                  [](TBusCall& c) { throw std::runtime_error(c.Str(0).toStdString()); });
        AddProperty(
            kIface, "Label", [this] { return QVariant(label_); },
            [this](const QVariant& v) { label_ = v.toString(); });
        AddProperty(
            kIface, "Value", [this] { return QVariant::fromValue(value_); },
            [this](const QVariant& v) { value_ = v.value<TVariant>(); });
    }

    ~TTestObject() override {
        Events()->Detach();
        for (std::thread& t : threads_) t.join();
    }

  private:
    // Two threads take turns under one lock, so the numbers leave in increasing order.
    void Fire(int count) {
        auto state = std::make_shared<std::pair<std::mutex, int>>();
        auto sink = Events();
        for (int k = 0; k < 2; ++k)
            threads_.emplace_back([state, sink, count] {
                for (;;) {
                    std::lock_guard guard(state->first);
                    if (state->second >= count) return;
                    sink->Fire(QStringLiteral("Tick"), {state->second++});
                }
            });
    }

    QString label_;
    TVariant value_;
    std::vector<std::pair<std::shared_ptr<TBusReply>, int>> held_;
    std::vector<std::thread> threads_;
};

}  // namespace
}  // namespace trelon

int main(int argc, char** argv) {
    return trelon::RunServer(
        argc, argv,
        [](trelon::TBusServer& server, trelon::TServerFactory&, const trelon::TServerSettings&) {
            server.RegisterClass(QStringLiteral("TestObject"),
                                 [](const trelon::TBusObjectInit& init) {
                                     return std::make_unique<trelon::TTestObject>(init);
                                 });
        });
}
