// What a master test sees and steers: the device's script, holds that stop an exchange or a
// result where the test wants it, and a record of what the master queued, what the device
// saw and what was reported. Shared by the transport threads, the master thread (through the
// exchange handler) and the test thread. Waits are for events; their time limit only turns
// a hang into a failure.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/model/base_master.h"
#include "core/model/transport_task.h"
#include "fake_device.h"
#include "variant.h"

namespace trelon::test {

// How long a test waits for an event before it calls it lost. A correct master is done in
// milliseconds.
inline constexpr std::chrono::seconds kPatience{20};

// How the device treats one request.
struct TReply {
    bool Silent = false;
    uint8_t Exception = 0;  // a device exception code; 0: a normal answer
};

class TBench {
  public:
    using TScript = std::function<TReply(const TSeen&)>;

    // Test side.
    void SetScript(TScript script);
    // Exchanges that reach the device wait there (already counted as seen) until released.
    void HoldExchanges(bool on);
    // Exchanges that reach the device wait there until their transport is told to close.
    void HoldExchangesUntilClosed(bool on);
    // The handler waits after recording a result of this QID, until released.
    void HoldResultsOf(std::optional<int32_t> qid);
    // The transport refuses new tasks, as one that is closing does.
    void RefuseTasks(bool on);
    // Transport-level attempts given to every queued task (serial transports: one).
    void SetTransportTries(int tries);
    void ReleaseAll();

    bool WaitSeen(size_t count);
    bool WaitResults(int32_t qid, size_t count);
    bool WaitTrace(const std::string& entry, size_t count = 1);
    std::vector<TSeen> Seen();
    std::vector<TSeen> SeenOf(int32_t qid);
    std::vector<TVariant> Results();
    std::vector<TVariant> ResultsOf(int32_t qid);
    // "queued <QID>" and "result <QID>", both recorded on the master's thread.
    std::vector<std::string> Trace();
    TExchangeHandler Handler();

    // Transport side. False: refuse the task.
    bool AcceptsTask(TBaseTransportTask& task);
    // The task is in the transport's queue.
    void Queued(int32_t qid);
    // The device's answer to the task's frame; empty when it stays silent. waitForClose
    // returns once the transport is told to close.
    TBytes Exchange(const TBaseTransportTask& task, const std::function<void()>& waitForClose);

  private:
    bool WaitUntil(const std::function<bool()>& done);
    void OnResult(const TVariant& result);

    std::mutex mutex_;
    std::condition_variable cv_;
    TScript script_;
    bool holdExchanges_ = false;
    bool holdUntilClosed_ = false;
    std::optional<int32_t> holdResultsOf_;
    bool refuse_ = false;
    int transportTries_ = 0;
    std::vector<TSeen> seen_;
    std::vector<TVariant> results_;
    std::vector<std::string> trace_;
};

// Result array fields.
int32_t QidOf(const TVariant& result);
int32_t CodeOf(const TVariant& result);

}  // namespace trelon::test
