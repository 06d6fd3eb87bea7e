// A transport whose exchanges go instantly to the bench's device: it performs them through
// the real transport loop, so queueing, hand-back, cancellation and closing are the server's.
#pragma once

#include "bench.h"
#include "core/model/base_transport.h"

namespace trelon::test {

inline constexpr int kFakeTransportKind = 9;

class TFakeTransport : public TBaseTransport {
  public:
    explicit TFakeTransport(TBench& bench) : TBaseTransport(kFakeTransportKind), bench_(bench) {}
    ~TFakeTransport() override { Stop(); }

    bool AddTask(TTransportTaskPtr& task) override;
    void SetProps(const TVariant&) override {}
    bool Connect(TEvent*) override { return true; }
    void Disconnect() override {}
    // Every transport is a link of its own.
    bool SameProps(const TVariant&) const override { return false; }

  protected:
    bool ExchangeTask(TBaseTransportTask& task) override;

  private:
    TBench& bench_;
};

}  // namespace trelon::test
