#include "bench.h"

#include <algorithm>

namespace trelon::test {

int32_t QidOf(const TVariant& result) {
    return result[1].ToInt();
}
int32_t CodeOf(const TVariant& result) {
    return result[5].ToInt();
}

void TBench::SetScript(TScript script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

void TBench::HoldExchanges(bool on) {
    {
        std::lock_guard lock(mutex_);
        holdExchanges_ = on;
    }
    cv_.notify_all();
}

void TBench::HoldExchangesUntilClosed(bool on) {
    std::lock_guard lock(mutex_);
    holdUntilClosed_ = on;
}

void TBench::HoldResultsOf(std::optional<int32_t> qid) {
    {
        std::lock_guard lock(mutex_);
        holdResultsOf_ = qid;
    }
    cv_.notify_all();
}

void TBench::RefuseTasks(bool on) {
    std::lock_guard lock(mutex_);
    refuse_ = on;
}

void TBench::SetTransportTries(int tries) {
    std::lock_guard lock(mutex_);
    transportTries_ = tries;
}

void TBench::ReleaseAll() {
    HoldExchanges(false);
    HoldResultsOf(std::nullopt);
}

bool TBench::WaitUntil(const std::function<bool()>& done) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, kPatience, done);
}

bool TBench::WaitSeen(size_t count) {
    return WaitUntil([&] { return seen_.size() >= count; });
}

bool TBench::WaitResults(int32_t qid, size_t count) {
    return WaitUntil([&] {
        size_t n = 0;
        for (const TVariant& r : results_) n += QidOf(r) == qid;
        return n >= count;
    });
}

bool TBench::WaitTrace(const std::string& entry, size_t count) {
    return WaitUntil(
        [&] { return size_t(std::count(trace_.begin(), trace_.end(), entry)) >= count; });
}

std::vector<TSeen> TBench::Seen() {
    std::lock_guard lock(mutex_);
    return seen_;
}

std::vector<TSeen> TBench::SeenOf(int32_t qid) {
    std::vector<TSeen> of;
    for (const TSeen& s : Seen())
        if (s.QID == qid) of.push_back(s);
    return of;
}

std::vector<TVariant> TBench::Results() {
    std::lock_guard lock(mutex_);
    return results_;
}

std::vector<TVariant> TBench::ResultsOf(int32_t qid) {
    std::vector<TVariant> of;
    for (const TVariant& r : Results())
        if (QidOf(r) == qid) of.push_back(r);
    return of;
}

std::vector<std::string> TBench::Trace() {
    std::lock_guard lock(mutex_);
    return trace_;
}

TExchangeHandler TBench::Handler() {
    return [this](const TVariant& result) { OnResult(result); };
}

void TBench::OnResult(const TVariant& result) {
    std::unique_lock lock(mutex_);
    results_.push_back(result);
    trace_.push_back("result " + std::to_string(QidOf(result)));
    cv_.notify_all();
    cv_.wait(lock, [&] { return holdResultsOf_ != QidOf(result); });
}

bool TBench::AcceptsTask(TBaseTransportTask& task) {
    std::lock_guard lock(mutex_);
    task.TriesLeft = transportTries_;
    return !refuse_;
}

void TBench::Queued(int32_t qid) {
    {
        std::lock_guard lock(mutex_);
        trace_.push_back("queued " + std::to_string(qid));
    }
    cv_.notify_all();
}

TBytes TBench::Exchange(const TBaseTransportTask& task, const std::function<void()>& waitForClose) {
    std::span<const uint8_t> frame(task.Data.data(), size_t(task.DataLen));
    TSeen seen = ParseRequest(frame);
    seen.QID = task.QID;
    std::unique_lock lock(mutex_);
    seen_.push_back(seen);
    cv_.notify_all();
    if (holdUntilClosed_) {
        lock.unlock();
        waitForClose();
        lock.lock();
    }
    cv_.wait(lock, [&] { return !holdExchanges_; });
    TReply reply = script_ ? script_(seen) : TReply{};
    if (reply.Silent) return {};
    return DeviceAnswer(frame, reply.Exception);
}

}  // namespace trelon::test
