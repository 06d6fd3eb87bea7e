// MBComMaster: the automation class through which clients use Modbus devices on a serial
// port. It keeps the link settings as properties, owns one master while connected (sharing
// the port's transport), turns request methods into request arrays and forwards every
// result as OnExchange.
#pragma once

#include <memory>

#include "bus_object.h"
#include "core/ordered_mutex.h"

namespace trelon {

class TMBComMaster : public TBusObject {
  public:
    explicit TMBComMaster(const TBusObjectInit& init);
    ~TMBComMaster() override;

    // Mappings of the client's values onto the lower layers.
    static int SpeedCode(int comSpeed);
    static int MasterParity(int parity);

  private:
    struct TConnection;  // what one connection shares with its result handler

    void AddProperties();
    void AddRequests();
    void SetConnected(bool on);
    void Connect();
    void Disconnect();
    TVariant TransportProps() const;
    TVariant MasterProps() const;
    void SendMasterProps();
    void SendTransportProps();
    // Queues a request array, or reports 18 at once while not connected.
    void Request(TBusCall& call, std::vector<TVariant> request, int address, int function);
    void FireChangeConnected(bool connected);

    TOrderedMutex lock_{TLockLevel::ObjectProperties};
    std::string comPort_ = "COM1";
    int comSpeed_ = 19200;
    int linkType_ = 0;
    int mode_ = 0;
    int parity_ = 2;
    int interByte_ = 0;
    int deviceAddres_ = 1;
    int retries_ = 10;
    int answerDelay_ = 500;
    bool optimalUseFunction_ = true;
    bool adjustToWord_ = true;
    int32_t masterID_ = -1;
    int32_t transportID_ = -1;
    std::shared_ptr<TConnection> connection_;
};

// Converts a Value or DataType parameter as the object passes it on: single values
// unchanged, one-dimensional arrays as arrays of values (recursively), more dimensions empty.
TVariant ToRequestValue(const TVariant& v);

// Registers the class with the bus server.
class TBusServer;
void RegisterMBComMaster(TBusServer& server);

}  // namespace trelon
