// Re-entrant locks that know their place in the server's lock order. A thread may take a lock
// only if every other lock it holds comes earlier in the order; taking one out of order (the
// seed of a deadlock) throws TLockOrderError before anything is locked. Re-entering a lock
// the thread already holds is always allowed. Joining a worker thread checks that the caller
// holds none of these locks.
#pragma once

#include <mutex>
#include <stdexcept>

namespace trelon {

// Outer locks first. Locks of one level never nest with each other.
enum class TLockLevel : int {
    ObjectProperties = 10,   // an automation object's property lock
    FactoryMasters = 20,     // the server factory's list of masters
    Master = 30,             // a master's lock
    FactoryTransports = 40,  // the server factory's list of transports
    TransportTasks = 50,     // a transport's task lock
    ChannelQueue = 60,       // a BitBus channel's queue lock (after the object's property lock)
    ObjectEvents = 70,       // an automation object's event lock
};

class TLockOrderError : public std::logic_error {
  public:
    using std::logic_error::logic_error;
};

class TOrderedMutex {
  public:
    explicit TOrderedMutex(TLockLevel level) : level_(level) {}
    TOrderedMutex(const TOrderedMutex&) = delete;
    TOrderedMutex& operator=(const TOrderedMutex&) = delete;

    void lock();
    bool try_lock();
    void unlock();

    TLockLevel Level() const { return level_; }

  private:
    void CheckOrder() const;

    const TLockLevel level_;
    std::recursive_mutex mutex_;
};

// How many ordered locks the calling thread holds (re-entries counted).
int HeldLockCount();

// Throws TLockOrderError naming what the caller was about to do when it holds an ordered lock.
void RequireNoLocksHeld(const char* operation);

}  // namespace trelon
