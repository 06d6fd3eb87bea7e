// A server whose MBComMaster class answers from a bench of simulated devices instead of a
// serial line, so the wizard's link can be tested through the bus without a port:
//   address 1  a flowmeter, 3 the flow simulator, 4 the current meter, 5 the pulse counter,
//   7 a device with no version in its name; 99 never answers (not even "no answer");
//   every other address answers "no answer". A port named "/dev/none" cannot be opened.
// Register reads answer with the register address as value, periodic reads repeat until
// FreeTask. Answers leave in request order, one every few milliseconds.
#include <QTimer>
#include <deque>
#include <map>
#include <memory>

#include "bus_call.h"
#include "bus_object.h"
#include "bus_server.h"
#include "server_main.h"

namespace trelon {
namespace {

const QString kIface = QStringLiteral("TrelonSrv.IMBComMaster");
const QString kEvents = QStringLiteral("TrelonSrv.IMBComMasterEvents");
constexpr int kTransportGone = 18;

const std::map<int, std::string>& Bench() {
    static const std::map<int, std::string> devices = {{1, "ОДКС-512 76.02.01.07 rev"},
                                                       {3, "ЗРТ-ИМР 64.08.01.02 "},
                                                       {4, "ЗРТ-ИПТ 64.10.00.03 "},
                                                       {5, "ЗРТ-УСИ 64.09.02.01 "},
                                                       {7, "Прибор без версии"}};
    return devices;
}

class TBenchMaster : public TBusObject {
  public:
    explicit TBenchMaster(const TBusObjectInit& init) : TBusObject(init, {kIface, kEvents}) {
        for (const char* name :
             {"ComPort", "ComSpeed", "LinkType", "Mode", "Parity", "DeviceAddres", "Retries",
              "AnswerDelay", "OptimalUseFunction", "InterByte", "AdjustToWord"})
            AddProperty(
                kIface, name, [this, name] { return props_[name]; },
                [this, name](const QVariant& v) { props_[name] = v; });
        AddProperty(
            kIface, "Connected", [this] { return QVariant(connected_); },
            [this](const QVariant& v) { SetConnected(v.toBool()); });
        AddMethod(kIface, "GetDeviceName", [this](TBusCall& c) { Queue(c.Int(0), 17, 0, 0); });
        AddMethod(kIface, "ReadHoldRegs",
                  [this](TBusCall& c) { Queue(c.Int(0), 3, c.Int(2), c.Int(1)); });
        AddMethod(kIface, "ReadInputRegs",
                  [this](TBusCall& c) { Queue(c.Int(0), 4, c.Int(2), c.Int(1)); });
        AddMethod(kIface, "FreeTask", [this](TBusCall& c) { periodic_.erase(c.Int(0)); });
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { AnswerNext(); });
    }
    ~TBenchMaster() override { Events()->Detach(); }

  private:
    struct TRequest {
        int Qid, Address, Function, Register, Period;
    };

    void SetConnected(bool on) {
        if (on == connected_) return;
        connected_ = on && props_["ComPort"].toString() != QStringLiteral("/dev/none");
        if (!connected_) {
            queue_.clear();
            periodic_.clear();
        }
        Events()->Fire(QStringLiteral("OnChangeConnected"), {connected_});
    }

    void Queue(int qid, int function, int reg, int period) {
        const int address = props_["DeviceAddres"].toInt();
        if (!connected_) {
            Events()->Fire(QStringLiteral("OnExchange"),
                           {qid, address, function, Wire(TVariant::Null()), kTransportGone});
            return;
        }
        if (period > 0) periodic_[qid] = true;
        queue_.push_back({qid, address, function, reg, period});
        if (!timer_.isActive()) timer_.start();
    }

    void AnswerNext() {
        if (queue_.empty()) {
            timer_.stop();
            return;
        }
        TRequest r = queue_.front();
        queue_.pop_front();
        if (r.Period > 0 && !periodic_.count(r.Qid)) return;  // cancelled
        if (r.Address == 99) return;                          // the silent device
        auto device = Bench().find(r.Address);
        TVariant value = TVariant::Null();
        int result = 1;
        if (device != Bench().end()) {
            result = 0;
            value = r.Function == 17 ? TVariant(device->second) : TVariant(r.Register);
        }
        Events()->Fire(QStringLiteral("OnExchange"),
                       {r.Qid, r.Address, r.Function, Wire(value), result});
        if (r.Period > 0) queue_.push_back(r);
    }

    std::map<QString, QVariant> props_;
    bool connected_ = false;
    std::deque<TRequest> queue_;
    std::map<int, bool> periodic_;
    QTimer timer_;
};

}  // namespace
}  // namespace trelon

int main(int argc, char** argv) {
    return trelon::RunServer(
        argc, argv,
        [](trelon::TBusServer& server, trelon::TServerFactory&, const trelon::TServerSettings&) {
            server.RegisterClass(QStringLiteral("MBComMaster"),
                                 [](const trelon::TBusObjectInit& init) {
                                     return std::make_unique<trelon::TBenchMaster>(init);
                                 });
        });
}
