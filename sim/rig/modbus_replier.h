// libmodbus answering the plain register and bit functions (1 to 6, 15, 16) from a
// device's mapping. It writes its answer into a pipe instead of a port, so that the rig
// can still delay or spoil the answer before it goes on the line.
#pragma once

#include <span>

#include "rtu_frame.h"

struct _modbus;
struct _modbus_mapping_t;

namespace trelon::rig {

class TModbusReplier {
  public:
    TModbusReplier();  // throws std::runtime_error when libmodbus cannot be set up
    ~TModbusReplier();
    TModbusReplier(const TModbusReplier&) = delete;
    TModbusReplier& operator=(const TModbusReplier&) = delete;

    // The answer frame (address to CRC) to a request frame with a correct CRC.
    TBytes Reply(std::span<const std::uint8_t> request, _modbus_mapping_t* mapping);

  private:
    _modbus* context_;
    int pipe_[2] = {-1, -1};
};

}  // namespace trelon::rig
