// Base of a master's queued items.
#pragma once

#include <cstdint>
#include <memory>

namespace trelon {

// Queue classes: answers first, then one-shot requests, then periodic ones.
enum TTaskPriority : int32_t {
    tpAnswer = 0,
    tpOneShot = 1,
    tpPeriodic = 2,
};

struct TBaseMasterTask {
    virtual ~TBaseMasterTask() = default;
    int32_t QID = 0;
    bool Cancelled = false;  // guarded by the master's lock
    int32_t Priority = tpAnswer;
    int32_t SendCount = 0;
    bool Inplace = false;
};

using TMasterTaskPtr = std::unique_ptr<TBaseMasterTask>;

}  // namespace trelon
