#include "core/thread_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "core/core_debug.h"
#include "core/thread_launcher.h"

namespace trelon {

namespace {

constexpr int kTimeCriticalNice = -10;
constexpr int kLowerNice = 5;
constexpr int kIdleNice = 10;
// Above every ordinary thread, well below the kernel's own real-time threads.
constexpr int kTimeCriticalFifoPriority = 10;

const char* PriorityName(TThreadPriority p) {
    switch (p) {
        case TThreadPriority::TimeCritical:
            return "критический";
        case TThreadPriority::Normal:
            return "обычный";
        case TThreadPriority::Lower:
            return "пониженный";
        case TThreadPriority::Idle:
            return "фоновый";
    }
    return "?";
}

// Sets the calling thread's nice value; errno-style code, 0 on success.
int SetNice(int nice) {
    if (CurrentNice() == nice) return 0;
    return ::setpriority(PRIO_PROCESS, ::gettid(), nice) == 0 ? 0 : errno;
}

int SetOrdinaryScheduling() {
    sched_param param{};
    return pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
}

int ApplyTimeCritical() {
    sched_param param{};
    param.sched_priority = kTimeCriticalFifoPriority;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) return 0;
    return SetNice(kTimeCriticalNice);
}

}  // namespace

int CurrentNice() {
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, ::gettid());
    return errno == 0 ? nice : 0;
}

bool ApplyThreadPriority(TThreadPriority priority, const std::string& threadName) {
    int error = 0;
    switch (priority) {
        case TThreadPriority::TimeCritical:
            error = ApplyTimeCritical();
            break;
        case TThreadPriority::Normal:
            error = SetOrdinaryScheduling();
            if (error == 0) error = SetNice(0);
            break;
        case TThreadPriority::Lower:
            error = SetNice(kLowerNice);
            break;
        case TThreadPriority::Idle:
            // Threads started later must not inherit the raised nice value.
            EnsureThreadLauncher();
            error = SetNice(kIdleNice);
            break;
    }
    if (error == 0) return true;
    CoreDebug("Поток " + threadName + ": система не дала приоритет \"" + PriorityName(priority) +
              "\" (" + std::strerror(error) + "), поток работает с обычным приоритетом");
    return false;
}

}  // namespace trelon
