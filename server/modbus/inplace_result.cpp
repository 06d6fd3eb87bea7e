#include "inplace_result.h"

namespace trelon {

void TInplaceResult::Put(const TVariant& result) {
    {
        std::lock_guard lock(mutex_);
        if (result_ || closed_) return;
        result_ = result;
    }
    cv_.notify_all();
}

void TInplaceResult::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    cv_.notify_all();
}

std::optional<TVariant> TInplaceResult::Wait(
    std::optional<std::chrono::steady_clock::time_point> deadline) {
    std::unique_lock lock(mutex_);
    auto done = [this] { return result_.has_value() || closed_; };
    if (deadline)
        cv_.wait_until(lock, *deadline, done);
    else
        cv_.wait(lock, done);
    return result_;
}

}  // namespace trelon
