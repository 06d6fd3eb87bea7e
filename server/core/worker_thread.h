// The one shape of every worker thread of the server (transports, masters, the factory, the
// log keeper): a queue served by a loop that sleeps on a manual-reset work event.
//
//   until terminated (and, in Drain mode, until the queue is empty):
//     work there?  clear the work event, process one item inside try/catch
//     otherwise    sleep on the work event
//
// A subclass supplies HasWork(), ProcessOne() (take one item and handle it) and
// OnException() (typically a log record; the loop goes on). Producers append under their own
// lock, release it, then call Wake(). The object is fully built before its thread runs:
// the owner calls Start() after construction, and Stop() (which joins) before destruction,
// holding none of the ordered locks.
#pragma once

#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "core/event.h"
#include "core/thread_priority.h"

namespace trelon {

enum class TStopMode {
    Immediate,  // the loop ends at the next item; what is still queued stays for the owner
    Drain,      // the loop serves everything queued before it ends
};

// Ends the operation in progress without an error report: the loop catches it silently.
class TSilentAbort : public std::exception {
  public:
    const char* what() const noexcept override { return "operation aborted"; }
};

class TWorkerThread {
  public:
    TWorkerThread(TThreadPriority priority, TStopMode stopMode);
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;
    // The thread must have been stopped by then: the loop calls into the subclass, which is
    // already gone when this runs.
    virtual ~TWorkerThread();

    // Starts the thread; name labels it for the system and in the log. Once only.
    void Start(const std::string& name);
    // Asks the loop to end and wakes it. Returns at once.
    void Terminate();
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    // Terminates and waits until the loop has ended. Throws TLockOrderError when the caller
    // holds an ordered lock. Called on the worker's own thread it only terminates.
    void Stop();

    // For producers: call after the item is queued and the queue's lock is released.
    void Wake() { work_.Set(); }
    TEvent& WorkEvent() { return work_; }
    const std::string& Name() const { return name_; }

  protected:
    virtual bool HasWork() = 0;
    virtual void ProcessOne() = 0;
    virtual void OnException(const std::string& message) = 0;

    // For a ProcessOne() that must wait for its item to fall due: sleeps until new work is
    // signalled, the thread is told to terminate, or the deadline passes. True unless the
    // deadline passed.
    bool WaitForWork(std::chrono::steady_clock::time_point deadline);

  private:
    void Run();
    bool Step();  // one turn of the loop; false when it must end
    void Report(const std::string& message);

    const TThreadPriority priority_;
    const TStopMode stopMode_;
    std::string name_;
    TEvent work_{TEventReset::Manual};
    std::atomic<bool> terminated_{false};
    std::thread thread_;
    std::atomic<std::thread::id> loopThread_{};  // set by the loop's own thread
    std::mutex joinMutex_;                       // one joiner at a time
};

}  // namespace trelon
