#include "wait_tracker.h"

#include <QTimer>

#include "main_form.h"

namespace trelon::wizard {

void TWaitTracker::Enter() {
    ++depth_;
}

void TWaitTracker::Leave() {
    if (depth_ > 0) --depth_;
    if (depth_ == 0 && !pending_.empty()) Schedule();
}

void TWaitTracker::RunWhenIdle(std::function<void()> action) {
    pending_.push_back(std::move(action));
    if (depth_ == 0) Schedule();
}

void TWaitTracker::Schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void TWaitTracker::Flush() {
    scheduled_ = false;
    // Queued calls also run inside a wait's event loop; Leave schedules again.
    if (depth_ > 0) return;
    std::vector<std::function<void()>> actions;
    actions.swap(pending_);
    for (auto& action : actions) action();
}

TWaitScope::TWaitScope() : tracker_(MainForm() ? &MainForm()->Waits() : nullptr) {
    if (tracker_) tracker_->Enter();
}

TWaitScope::TWaitScope(TWaitTracker& tracker) : tracker_(&tracker) {
    tracker_->Enter();
}

TWaitScope::~TWaitScope() {
    if (tracker_) tracker_->Leave();
}

}  // namespace trelon::wizard
