// Where the result of one in-place request meets the caller waiting for it. The request task
// and the caller share it; each call has its own, so a result that comes after its caller
// gave up is dropped with it and never reaches a later call.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "variant.h"

namespace trelon {

class TInplaceResult {
  public:
    // Stores the result (the first one only) and wakes the caller.
    void Put(const TVariant& result);
    // The request is gone, with or without a result: the caller stops waiting.
    void Close();
    // Waits until a result is stored, the request is gone, or the deadline (none: no limit)
    // has passed; the result, if one came.
    std::optional<TVariant> Wait(std::optional<std::chrono::steady_clock::time_point> deadline);

  private:
    std::mutex mutex_;  // a leaf lock
    std::condition_variable cv_;
    std::optional<TVariant> result_;
    bool closed_ = false;
};

}  // namespace trelon
