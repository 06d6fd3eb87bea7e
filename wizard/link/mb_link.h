// TMBComMaster: the wizard's link to one MBComMaster object of the communication server,
// one per serial port. The server object is created on the first access that needs it
// (attaching to a running server or having one started). Calls block the GUI thread
// without processing its events, so no handler runs between two calls of one operation.
// Failed calls are logged and reported as false; the link never raises.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <map>

#include "bus/server_proxy.h"
#include "variant.h"

namespace trelon::wizard {

class TMBComMaster : public QObject {
    Q_OBJECT
  public:
    explicit TMBComMaster(QDBusConnection bus = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);
    ~TMBComMaster() override;

    // The number of the port (1, 2, ...), shown in captions and the device grid.
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // Whether the server's object is connected to its port. A link whose object does not
    // exist (never used, or its server went away) is not connected; reading this never
    // starts a server.
    bool Connected();
    bool SetConnected(bool on);
    bool SetComPort(const QString& port);
    bool SetComSpeed(int speed);
    bool SetLinkType(int type);
    bool SetMode(int mode);
    bool SetParity(int parity);
    bool SetDeviceAddres(int address);
    bool SetRetries(int retries);
    bool SetAnswerDelay(int ms);
    bool SetOptimalUseFunction(bool on);
    bool SetInterByte(int ms);
    // Values last written (the object's defaults until then).
    int Retries() const { return retries_; }
    int AnswerDelay() const { return answerDelay_; }

    // Requests; true when the server took the request. Period 0 asks once; a positive
    // period repeats it until FreeTask.
    bool ReadInputRegs(int qid, int period, int regAddres, int dataType, int dataCount);
    bool ReadHoldRegs(int qid, int period, int regAddres, int dataType, int dataCount);
    bool WriteHoldRegs(int qid, int period, int regAddres, const TVariant& value);
    bool GetDeviceName(int qid);
    bool ReadHoldBins(int qid, int period, int binAddres, int dataCount);
    bool WriteHoldBins(int qid, int period, int binAddres, const TVariant& value);
    bool FreeTask(int qid);

    // Single requests taken by the server whose answer has not come yet.
    int Outstanding() const;

  signals:
    // The object's two events, on the GUI thread in the order the server fired them. The
    // loss of the server is a change to not connected.
    void OnChangeConnected(bool connected);
    void OnExchange(int qid, int mbAddr, int funNumber, const trelon::TVariant& value, int result);

  private slots:
    void ChangeConnectedEvent(bool connected);
    void ExchangeEvent(int qid, int mbAddr, int funNumber, const trelon::TVariant& value,
                       int result);

  private:
    bool EnsureObject();
    void ConnectEvents(bool on);
    bool Invoke(const char* member, const QVariantList& args, int singleQid = -1);
    bool SetProp(const char* name, const QVariant& value);
    bool Read(int qid, int period, const char* member, int address, int dataType, int count);
    void Failed(const TBusError& e);
    void ServerLost();

    TServerObject server_;
    QString eventsPath_;  // the object whose events are connected
    int tag_ = 0;
    int retries_ = 10;
    int answerDelay_ = 500;
    std::map<int, int> outstanding_;  // QID -> single requests without an answer
};

}  // namespace trelon::wizard
