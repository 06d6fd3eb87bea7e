// Nested waits: a page waiting for a device answer runs the event loop, so operator
// actions run inside the wait. Actions that would pull something from under a running
// wait (closing the window, removing a port) are deferred until the outermost wait has
// returned and control is back in the main event loop.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

namespace trelon::wizard {

class TWaitTracker : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    int Depth() const { return depth_; }
    void Enter();
    void Leave();
    // Runs the action from the event loop once no wait is active (at once if none is,
    // though always after the current handler has returned).
    void RunWhenIdle(std::function<void()> action);

  private:
    void Schedule();
    void Flush();

    int depth_ = 0;
    bool scheduled_ = false;
    std::vector<std::function<void()>> pending_;
};

// Marks a wait for the main window's tracker while it lives. Without a main window
// (tests of single pages) it marks nothing.
class TWaitScope {
  public:
    TWaitScope();
    explicit TWaitScope(TWaitTracker& tracker);
    ~TWaitScope();
    TWaitScope(const TWaitScope&) = delete;
    TWaitScope& operator=(const TWaitScope&) = delete;

  private:
    TWaitTracker* tracker_;
};

}  // namespace trelon::wizard
