// A factory and a log keeper for one test, with a fake transport and a fake master whose
// behaviour the test scripts.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "core/model/server_factory.h"
#include "log/logging.h"

namespace trelon::test {

inline constexpr int kFakeTransportKind = 90;
inline constexpr int kFakeMasterKind = 91;

// Props: [kind, port name, speed]. Port "bad" cannot be opened, nor a port another fake
// transport holds open (as a locked serial port).
class TFakeTransport : public TBaseTransport {
  public:
    TFakeTransport() : TBaseTransport(tkRS232) {}
    // The answer is an echo of the request; Exchange, when set, decides success.
    std::function<bool(TBaseTransportTask&)> Exchange;
    std::vector<int32_t> Performed;  // QIDs in the order exchanged
    std::mutex Mutex;

    void SetProps(const TVariant& props) override { props_ = props; }
    bool Connect(TEvent*) override {
        std::lock_guard lock(OpenPortsMutex());
        return props_[1].ToText() != "bad" && OpenPorts().insert(props_[1].ToText()).second &&
               (open_ = true);
    }
    void Disconnect() override {
        if (CloseGate) CloseGate->Wait();
        std::lock_guard lock(OpenPortsMutex());
        if (open_) OpenPorts().erase(props_[1].ToText());
        open_ = false;
    }
    TEvent* CloseGate = nullptr;  // when set, closing waits for it
    static std::set<std::string>& OpenPorts() {
        static std::set<std::string> ports;
        return ports;
    }
    static std::mutex& OpenPortsMutex() {
        static std::mutex m;
        return m;
    }
    bool SameProps(const TVariant& p) const override {
        return p[1].ToText() == props_[1].ToText() && p[2].ToInt() == props_[2].ToInt();
    }

  protected:
    bool ExchangeTask(TBaseTransportTask& task) override {
        {
            std::lock_guard lock(Mutex);
            Performed.push_back(task.QID);
        }
        RxLen = task.DataLen;
        std::copy_n(task.Data.begin(), task.DataLen, RxData.begin());
        return !Exchange || Exchange(task);
    }

  private:
    TVariant props_;
    bool open_ = false;
};

// Collects what transports give back.
class TFakeMaster : public TBaseMaster {
  public:
    TFakeMaster() : TBaseMaster(0) {}
    void AcceptAnswer(TTransportTaskPtr task) override {
        std::lock_guard lock(mutex_);
        Answers.push_back(std::move(task));
        cv_.notify_all();
    }
    void SetProps(const TVariant&) override {}
    void AddTask(const TVariant&) override {}
    bool AddInplaceTask(const TVariant&, TVariant&, int64_t) override { return false; }
    // Waits until n answers have come.
    bool WaitAnswers(size_t n) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, std::chrono::seconds(20), [&] { return Answers.size() >= n; });
    }
    std::vector<TTransportTaskPtr> Answers;

  protected:
    void ProcessTask(TBaseMasterTask&) override {}

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
};

class ModelTest : public ::testing::Test {
  protected:
    ModelTest();
    ~ModelTest() override;

    TServerFactory& Factory() { return scope_->Factory(); }
    static TVariant Props(const char* port, int speed, int kind = kFakeTransportKind);
    // A started fake transport / fake master known to the factory.
    std::shared_ptr<TFakeTransport> Transport(const char* port = "p", int speed = 1);
    std::shared_ptr<TFakeMaster> Master();
    // A task of the master with a QID.
    TTransportTaskPtr Task(const TBaseTransport& t, int32_t masterID, int32_t qid, int tries = 1);
    // The log so far.
    std::string Log();
    int Count(const std::string& text);

    std::filesystem::path dir_;
    std::unique_ptr<TLogKeeperScope> log_;
    std::unique_ptr<TServerFactoryScope> scope_;
};

}  // namespace trelon::test
