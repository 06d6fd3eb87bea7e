// A factory with the Modbus master kind and the fake transport, the bench behind it, and
// request arrays as the automation object builds them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bench.h"
#include "core/model/server_factory.h"

namespace trelon::test {

TVariant Arr(std::vector<TVariant> items);
// [0, address, mode RTU, parity none, retries, AdjustToWord, OptimalUseFunction].
TVariant MasterProps(int32_t retries = 1, uint8_t address = 1);
// ReadHoldRegs (kind 2) or ReadInputRegs (kind 4) of count unsigned words.
TVariant ReadRegs(int32_t qid, int32_t start, int32_t period = 0, int32_t count = 1,
                  int32_t kind = 2);

class TMasterTest : public ::testing::Test {
  protected:
    TMasterTest();
    // Lets every held exchange and result go before the factory ends the threads.
    ~TMasterTest() override;

    // A running master bound to a new fake transport.
    std::shared_ptr<TBaseMaster> NewMaster(int32_t retries = 1, uint8_t address = 1);
    TServerFactory& Factory() { return scope_.Factory(); }
    int32_t LastTransportID() const { return transportID_; }

    TBench bench;

  private:
    TServerFactoryScope scope_;
    int32_t transportID_ = kNoID;
};

}  // namespace trelon::test
