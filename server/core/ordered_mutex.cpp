#include "core/ordered_mutex.h"

#include <algorithm>
#include <string>
#include <vector>

namespace trelon {

namespace {

// The ordered locks this thread holds, in the order it took them.
thread_local std::vector<const TOrderedMutex*> tHeld;

bool HeldByThisThread(const TOrderedMutex* m) {
    return std::find(tHeld.begin(), tHeld.end(), m) != tHeld.end();
}

}  // namespace

void TOrderedMutex::CheckOrder() const {
    if (HeldByThisThread(this)) return;
    for (const TOrderedMutex* held : tHeld) {
        if (held->Level() >= level_) {
            throw TLockOrderError("lock of level " + std::to_string(int(level_)) +
                                  " taken while holding one of level " +
                                  std::to_string(int(held->Level())));
        }
    }
}

void TOrderedMutex::lock() {
    CheckOrder();
    mutex_.lock();
    tHeld.push_back(this);
}

bool TOrderedMutex::try_lock() {
    CheckOrder();
    if (!mutex_.try_lock()) return false;
    tHeld.push_back(this);
    return true;
}

void TOrderedMutex::unlock() {
    // Locks may be released in any order; drop this lock's latest entry.
    auto it = std::find(tHeld.rbegin(), tHeld.rend(), this);
    if (it != tHeld.rend()) tHeld.erase(std::next(it).base());
    mutex_.unlock();
}

int HeldLockCount() {
    return int(tHeld.size());
}

void RequireNoLocksHeld(const char* operation) {
    if (!tHeld.empty()) {
        throw TLockOrderError(std::string(operation) + " while holding " +
                              std::to_string(tHeld.size()) + " lock(s)");
    }
}

}  // namespace trelon
