#include "core/thread_launcher.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>

namespace trelon {

namespace {

class TLauncher {
  public:
    TLauncher() : thread_([this] { Run(); }) {}

    ~TLauncher() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        cv_.notify_one();
        thread_.join();
    }

    std::thread Launch(std::function<void()> body) {
        // Shared, so the helper still owns the promise while set_value() returns.
        auto request = std::make_shared<TRequest>(std::move(body));
        std::future<std::thread> started = request->Started.get_future();
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        cv_.notify_one();
        return started.get();
    }

  private:
    struct TRequest {
        explicit TRequest(std::function<void()> body) : Body(std::move(body)) {}
        std::function<void()> Body;
        std::promise<std::thread> Started;
    };

    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            cv_.wait(lock, [this] { return stop_ || !requests_.empty(); });
            if (requests_.empty()) return;
            std::shared_ptr<TRequest> request = requests_.front();
            requests_.pop_front();
            lock.unlock();
            try {
                request->Started.set_value(std::thread(std::move(request->Body)));
            } catch (...) {
                request->Started.set_exception(std::current_exception());
            }
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::shared_ptr<TRequest>> requests_;
    bool stop_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

TLauncher& Launcher() {
    static TLauncher launcher;
    return launcher;
}

}  // namespace

void EnsureThreadLauncher() {
    Launcher();
}

std::thread LaunchThread(std::function<void()> body) {
    return Launcher().Launch(std::move(body));
}

}  // namespace trelon
