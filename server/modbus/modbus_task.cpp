#include "modbus_task.h"

namespace trelon {

TModbusTask::~TModbusTask() {
    // A caller still waiting for this request stops waiting: no result is coming any more.
    if (Waiter) Waiter->Close();
}

}  // namespace trelon
