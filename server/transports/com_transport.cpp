#include "transports/com_transport.h"

#include <algorithm>

#include "core/waiter.h"
#include "log/logging.h"
#include "transports/speed_codes.h"

namespace trelon {

namespace {

using namespace std::chrono_literals;
using TClock = TSerialPort::TClock;

// The pause before each request, ms.
constexpr int64_t kPauseBeforeRequest = 2;
// Beyond their time on the line, how long the request bytes may take to leave the port
// (a handshake holding them back) before the exchange fails.
constexpr auto kSendSlack = 1000ms;

}  // namespace

TComTransport::TComTransport(uint8_t kind, const TComSettings& settings)
    : TBaseTransport(kind), multiplier_(ReadByteTimeoutMultiplier(settings)) {
    props_.Kind = kind;
}

TComTransport::~TComTransport() {
    // The thread calls into this class: it ends before the members go.
    Stop();
}

TTransportTaskPtr TComTransport::NewTask() {
    return std::make_unique<TComTransportTask>();
}

bool TComTransport::AddTask(TTransportTaskPtr& task) {
    std::lock_guard lock(TasksLock());
    if (auto* com = dynamic_cast<TComTransportTask*>(task.get())) {
        com->AnswerTimeout = props_.AnswerTimeout;
        com->ByteGap = ByteGap(GapUnit(props_.SpeedCode, props_.MinGapUnit), multiplier_);
    }
    task->TriesLeft = 0;  // one attempt: the master retries
    task->IsService = false;
    return TBaseTransport::AddTask(task);
}

TComTransport::TTiming TComTransport::TimingOf(const TBaseTransportTask& task) const {
    if (auto* com = dynamic_cast<const TComTransportTask*>(&task))
        return {com->AnswerTimeout, com->ByteGap};
    // A task of another family: the transport's settings now.
    TComProps p = Props();
    return {p.AnswerTimeout, ByteGap(GapUnit(p.SpeedCode, p.MinGapUnit), multiplier_)};
}

void TComTransport::SetProps(const TVariant& props) {
    std::string error;
    std::optional<TComProps> p = ParseComProps(props, Kind(), &error);
    if (!p) {
        LogError("параметры порта отвергнуты: " + error);
        return;
    }
    std::lock_guard lock(TasksLock());
    if (Closing()) return;
    bool open = opened_.has_value();
    if (open) {
        props_.AnswerTimeout = p->AnswerTimeout;
        props_.MinGapUnit = p->MinGapUnit;
    } else {
        props_ = *p;
        configured_ = true;
    }
    TakeProps(*p, open);
}

void TComTransport::TakeProps(const TComProps&, bool) {}

TComProps TComTransport::Props() const {
    std::lock_guard lock(TasksLock());
    return props_;
}

std::optional<TComProps> TComTransport::OpenedProps() const {
    std::lock_guard lock(TasksLock());
    return opened_;
}

bool TComTransport::Connect(TEvent*) {
    TComProps p;
    {
        std::lock_guard lock(TasksLock());
        if (!configured_ || opened_) return false;
        p = props_;
    }
    {
        std::lock_guard lock(portMutex_);
        devicePath_ = PortDevicePath(p.PortName);
        if (!OpenPort(p)) {
            LogDebug("Транспорт " + std::to_string(ID()) + ": порт " + devicePath_ +
                     " не открыт: " + port_.Error());
            port_.Close();
            return false;
        }
    }
    std::lock_guard lock(TasksLock());
    opened_ = p;
    return true;
}

bool TComTransport::OpenPort(const TComProps& p) {
    lineFormat_.reset();
    if (!port_.Open(devicePath_)) return false;
    if (port_.SetSpeed(BaudRate(p.SpeedCode), p.HardwareFlow) != TPortStatus::Ok) return false;
    port_.RequestLowLatency();  // refused by drivers without it: fine
    PortOpened();
    return true;
}

void TComTransport::Disconnect() {
    std::lock_guard lock(portMutex_);
    if (!port_.Close()) LogDebug("Exception in TComTransport.Disconnect on FComPort.Close");
}

bool TComTransport::SameAs(const TComProps& mine, const TComProps& other) const {
    return mine.Kind == other.Kind &&
           PortDevicePath(mine.PortName) == PortDevicePath(other.PortName) &&
           mine.SpeedCode == other.SpeedCode && mine.HardwareFlow == other.HardwareFlow;
}

bool TComTransport::SameProps(const TVariant& props) const {
    std::optional<TComProps> other = ParseComProps(props, Kind(), nullptr);
    if (!other) return false;
    std::lock_guard lock(TasksLock());
    return SameAs(opened_ ? *opened_ : props_, *other);
}

void TComTransport::PortLost() {
    LogError("порт " + devicePath_ + " потерян: " + port_.Error());
    port_.Close();
    lost_ = true;
}

bool TComTransport::EnsurePort() {
    if (!lost_) return port_.IsOpen();
    std::optional<TComProps> p = OpenedProps();
    if (!p || !OpenPort(*p)) {
        port_.Close();
        return false;
    }
    lost_ = false;
    LogMessage("Транспорт " + std::to_string(ID()) + ": порт " + devicePath_ + " открыт снова");
    return true;
}

bool TComTransport::Check(TPortStatus status) {
    if (status == TPortStatus::Lost) PortLost();
    return status == TPortStatus::Ok;
}

bool TComTransport::ApplyLineFormat(int32_t lineFormat) {
    if (lineFormat_ == lineFormat) return true;
    std::string error;
    std::optional<TSerialFormat> format = DecodeLineFormat(lineFormat, &error);
    if (!format) {
        if (refusedFormat_ != lineFormat) LogError("формат символа отвергнут: " + error);
        refusedFormat_ = lineFormat;
        return false;
    }
    TPortStatus status = port_.SetFormat(*format);
    if (status == TPortStatus::Ok) {
        lineFormat_ = lineFormat;
        return true;
    }
    if (status == TPortStatus::Failed && refusedFormat_ != lineFormat)
        LogError("формат символа не установлен: " + port_.Error());
    if (status == TPortStatus::Failed) refusedFormat_ = lineFormat;
    return Check(status);
}

void TComTransport::SetRts(bool on) {
    // A lost device is noticed by the exchange itself.
    if (port_.SetRts(on) != TPortStatus::Failed || rtsRefusalLogged_) return;
    rtsRefusalLogged_ = true;
    LogDebug("Транспорт " + std::to_string(ID()) + ": порт " + devicePath_ +
             " не управляет линией RTS (" + port_.Error() + ")");
}

bool TComTransport::ExchangeTask(TBaseTransportTask& task) {
    TTiming timing = TimingOf(task);
    RxLen = 0;
    std::lock_guard lock(portMutex_);
    if (!EnsurePort()) {
        // No device: the exchange fails as one with a silent device does.
        WaitAbortable(nullptr, timing.AnswerTimeout, true);
        return false;
    }
    if (!ApplyLineFormat(task.LineFormat)) return false;
    TWaiter().Wait(kPauseBeforeRequest);
    if (!SendRequest(task)) return false;
    if (!task.NeedAnswer) return true;
    return ReceiveAnswer(task, timing.AnswerTimeout, timing.ByteGap);
}

bool TComTransport::SendRequest(TBaseTransportTask& task) {
    if (!port_.IsOpen()) return false;
    // Late bytes of an earlier answer go, so they cannot open this one.
    port_.Purge(true, true);
    size_t count = size_t(std::clamp(task.DataLen, 0, kTaskDataCapacity));
    auto deadline = TClock::now() + port_.CharTime() * int64_t(count) + kSendSlack;
    if (!Check(port_.WriteAll(std::span<const uint8_t>(task.Data.data(), count), deadline)))
        return false;
    // The answer timeout starts once the request has left the port.
    return Check(port_.Drain(deadline));
}

bool TComTransport::ReceiveAnswer(TBaseTransportTask&, int32_t answerTimeout, int32_t gap) {
    RxLen = 0;
    if (!port_.IsOpen()) return false;
    auto deadline = TClock::now() + std::chrono::milliseconds(std::max(answerTimeout, 0));
    for (;;) {
        TPortStatus status = port_.WaitInput(deadline);
        // Silence: no answer before the first byte, the end of the frame after it.
        if (status == TPortStatus::TimedOut) return RxLen > 0;
        if (!Check(status)) return false;
        int32_t before = RxLen;
        for (;;) {
            size_t got = 0;
            std::span<uint8_t> room(RxData.data() + RxLen, size_t(kTaskDataCapacity - RxLen));
            if (!Check(port_.Read(room, &got))) return false;
            RxLen += int32_t(got);
            // More than fits stays in the driver and is purged by the next request.
            if (RxLen >= kTaskDataCapacity) return true;
            if (got == 0) break;  // the driver has nothing more: the silence starts now
        }
        // A wake-up that brought nothing keeps the deadline it had.
        if (RxLen > before) deadline = TClock::now() + std::chrono::milliseconds(std::max(gap, 0));
    }
}

}  // namespace trelon
