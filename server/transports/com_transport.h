// The base of the serial transports: owns the port, its settings from the props array and
// the per-task timing, opens the port (and reopens it when the device comes back after it
// was lost), and performs the exchange: line format, a short pause, send, and collect the
// answer until the line has been silent for the byte gap.
//
// The answer is read by the transport's own thread, which polls the port: the silence is
// measured by the time-critical thread that sees the bytes, with no second thread between
// the port and the clock that could hold bytes back and make a frame look finished early.
// Bytes that arrive between exchanges wait in the driver and are purged before the next
// request.
//
// Locks: TasksLock() guards the settings; portMutex_ guards the port and is taken only with
// no ordered lock held (the exchange takes TasksLock() inside it, never the other way round).
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "core/model/base_transport.h"
#include "transports/com_props.h"
#include "transports/com_settings.h"
#include "transports/serial_port.h"

namespace trelon {

struct TComTransportTask : TBaseTransportTask {
    int32_t AnswerTimeout = 0;  // ms, from the transport when the task is queued
    int32_t ByteGap = 0;        // ms, GapUnit x ByteTimeoutMultiplier when queued
};

class TComTransport : public TBaseTransport {
  public:
    ~TComTransport() override;

    TTransportTaskPtr NewTask() override;
    // Fills the task's timing from the current settings (one attempt) and queues it.
    bool AddTask(TTransportTaskPtr& task) override;
    // Takes the props of this transport's kind. Props that are not valid are refused with a
    // log record and change nothing. Once the port is open only the answer timeout and the
    // minimum gap unit are taken: the port stays as it was opened, and SameProps goes on
    // comparing what it was opened with.
    void SetProps(const TVariant& props) override;
    // Opens the port with the settings of the last accepted props; false when none were
    // accepted or the port cannot be opened (in use, missing, not a serial port).
    bool Connect(TEvent* abort) override;
    void Disconnect() override;
    bool SameProps(const TVariant& props) const override;

    // Settings now in force (for the owner and tests).
    TComProps Props() const;
    uint8_t ByteTimeoutMultiplier() const { return multiplier_; }

  protected:
    TComTransport(uint8_t kind, const TComSettings& settings);

    bool ExchangeTask(TBaseTransportTask& task) override;
    // Purges the port and writes the request, then waits until it has left the port.
    virtual bool SendRequest(TBaseTransportTask& task);
    // Collects the answer into RxData/RxLen: fails when no byte comes within answerTimeout;
    // ends when the line stays silent for gap ms, or at 600 bytes.
    virtual bool ReceiveAnswer(TBaseTransportTask& task, int32_t answerTimeout, int32_t gap);
    // Called with the port just opened (or reopened), before any exchange on it.
    virtual void PortOpened() {}
    // What the subclass adds to the settings when props are taken (under TasksLock()).
    virtual void TakeProps(const TComProps& props, bool portOpen);

    // Raises or drops RTS; a device without modem lines is tolerated, with one debug record
    // for the transport's life.
    void SetRts(bool on);
    // The props the port was opened with, or nothing while it was never opened.
    std::optional<TComProps> OpenedProps() const;
    TSerialPort& Port() { return port_; }

  private:
    struct TTiming {
        int32_t AnswerTimeout;
        int32_t ByteGap;
    };
    TTiming TimingOf(const TBaseTransportTask& task) const;
    bool OpenPort(const TComProps& props);
    // The port is usable for an exchange: open, or reopened now after it was lost.
    bool EnsurePort();
    void PortLost();
    bool ApplyLineFormat(int32_t lineFormat);
    // Handles a port status: Lost closes the port. True for Ok.
    bool Check(TPortStatus status);
    bool SameAs(const TComProps& mine, const TComProps& other) const;

    const uint8_t multiplier_;

    // Under TasksLock().
    TComProps props_;
    bool configured_ = false;
    std::optional<TComProps> opened_;

    // Under portMutex_ (the transport's thread, Connect and Disconnect).
    mutable std::mutex portMutex_;
    TSerialPort port_;
    std::string devicePath_;
    bool lost_ = false;
    std::optional<int32_t> lineFormat_;  // the format the port is set to now
    std::optional<int32_t> refusedFormat_;
    bool rtsRefusalLogged_ = false;
};

}  // namespace trelon
