// A serial transport on one end of a virtual line and a scripted device on the other: the
// test plays the device with a port of its own, and a recording master collects what the
// transport hands back, with the moment it came.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/model/server_factory.h"
#include "log/logging.h"
#include "transports/com_transport.h"
#include "transports/serial_port.h"
#include "virtual_line.h"

namespace trelon::test {

using TClock = std::chrono::steady_clock;
using TBytes = std::vector<uint8_t>;

inline constexpr int kRecordingMasterKind = 92;
// 8 data bits, no parity, one stop bit.
inline constexpr int32_t kFormat8N1 = 3;

class TRecordingMaster : public TBaseMaster {
  public:
    struct TAnswer {
        TTransportTaskPtr Task;
        TClock::time_point At;
        TBytes Bytes() const;
        const TComTransportTask& Com() const;
    };

    TRecordingMaster() : TBaseMaster(0) {}
    void AcceptAnswer(TTransportTaskPtr task) override;
    void SetProps(const TVariant&) override {}
    void AddTask(const TVariant&) override {}
    bool AddInplaceTask(const TVariant&, TVariant&, int64_t) override { return false; }
    // The next task given back; nothing when none came within the guard.
    std::optional<TAnswer> Next(std::chrono::milliseconds guard = std::chrono::seconds(20));

  protected:
    void ProcessTask(TBaseMasterTask&) override {}

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<TAnswer> answers_;
};

class LineTest : public ::testing::Test {
  protected:
    LineTest();
    ~LineTest() override;

    // Props of the transport on end A.
    TVariant RS232Props(int speedCode, int32_t answerTimeout = 1000, int32_t minGapUnit = 0,
                        int flow = 0) const;
    TVariant RS485Props(int speedCode, int32_t answerTimeout = 1000, int32_t minGapUnit = 0) const;
    std::string PortA() const { return line_.Path(TEnd::A).string(); }
    std::string PortB() const { return line_.Path(TEnd::B).string(); }

    // The "Com" section the next transports read.
    void WriteComSettings(const std::string& lines);

    TServerFactory& Factory() { return scope_->Factory(); }
    std::shared_ptr<TComTransport> Transport(int32_t id);
    // Queues a request on the transport, for the recording master.
    void Send(int32_t transportID, const TBytes& request, int32_t lineFormat = kFormat8N1,
              bool needAnswer = true);
    TRecordingMaster::TAnswer Answer();

    // The device on end B.
    void OpenDevice(int baud);
    TBytes DeviceRead(size_t count);
    // Writes the bytes at once; the moment just before the write.
    TClock::time_point DeviceWrite(const TBytes& bytes);
    // Waits until the line has carried everything the device wrote.
    void WaitDeviceBytesDelivered();

    std::string Log();
    int Count(const std::string& text);

    std::filesystem::path dir_;
    TVirtualLine line_;
    std::unique_ptr<TLogKeeperScope> log_;
    std::unique_ptr<TServerFactoryScope> scope_;
    std::shared_ptr<TRecordingMaster> master_;
    TSerialPort device_;
    uint64_t deviceWritten_ = 0;
};

// Time of n characters of 10 bits at the baud rate.
std::chrono::microseconds LineTime(size_t chars, int baud);
TBytes Pattern(size_t count, uint8_t first = 0x10);

}  // namespace trelon::test
