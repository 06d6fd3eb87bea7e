// Scheduling of the server's threads: transports time-critical, masters, the factory and the
// log keeper normal, BitBus channels lower, the main thread idle-ish (a raised nice value,
// never SCHED_IDLE, which could starve bus calls on a busy machine).
#pragma once

#include <string>

namespace trelon {

enum class TThreadPriority { TimeCritical, Normal, Lower, Idle };

// Applies the priority to the calling thread: SCHED_FIFO for time-critical (a lowered nice
// value when that is refused), nice values otherwise. When the system refuses, the thread
// keeps running where it is and exactly one debug line names threadName and the reason.
// Returns whether the priority was applied.
bool ApplyThreadPriority(TThreadPriority priority, const std::string& threadName);

// The calling thread's nice value.
int CurrentNice();

}  // namespace trelon
