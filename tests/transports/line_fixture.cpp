#include "line_fixture.h"

#include <fstream>
#include <sstream>
#include <thread>

#include "log_text.h"
#include "transports/serial_transports.h"

namespace trelon::test {

namespace {

std::filesystem::path MakeTestDir() {
    auto dir = std::filesystem::temp_directory_path() /
               ("transports_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

TLineOptions LineIn(const std::filesystem::path& dir) {
    TLineOptions options;
    options.Directory = dir;
    return options;
}

constexpr auto kGuard = std::chrono::seconds(20);

}  // namespace

TBytes TRecordingMaster::TAnswer::Bytes() const {
    return TBytes(Task->Data.begin(), Task->Data.begin() + Task->DataLen);
}

const TComTransportTask& TRecordingMaster::TAnswer::Com() const {
    return dynamic_cast<const TComTransportTask&>(*Task);
}

void TRecordingMaster::AcceptAnswer(TTransportTaskPtr task) {
    auto at = TClock::now();
    std::lock_guard lock(mutex_);
    answers_.push_back({std::move(task), at});
    cv_.notify_all();
}

std::optional<TRecordingMaster::TAnswer> TRecordingMaster::Next(std::chrono::milliseconds guard) {
    std::unique_lock lock(mutex_);
    if (!cv_.wait_for(lock, guard, [&] { return !answers_.empty(); })) return std::nullopt;
    TAnswer a = std::move(answers_.front());
    answers_.pop_front();
    return a;
}

LineTest::LineTest() : dir_(MakeTestDir()), line_(LineIn(dir_)) {
    std::ofstream(dir_ / "TrelonSrv.ini") << "[LogKeeper]\nKeepLog=1\n";
    log_ = std::make_unique<TLogKeeperScope>(
        TLogKeeperOptions{(dir_ / "TrelonSrv.ini").string(), (dir_ / "Logs").string(), {}});
    scope_ = std::make_unique<TServerFactoryScope>();
    RegisterSerialTransports(Factory(), TComSettings{(dir_ / "com.ini").string()});
    Factory().RegisterMasterKind(kRecordingMasterKind,
                                 [] { return std::make_shared<TRecordingMaster>(); });
    int32_t id =
        Factory().CreateMaster(TVariant::Array(vtVariant, {TVariant(kRecordingMasterKind)}), {});
    master_ = std::dynamic_pointer_cast<TRecordingMaster>(Factory().FindMaster(id));
}

LineTest::~LineTest() {
    device_.Close();
    master_.reset();
    scope_.reset();
    log_.reset();
    std::filesystem::remove_all(dir_);
}

TVariant LineTest::RS232Props(int speedCode, int32_t answerTimeout, int32_t minGapUnit,
                              int flow) const {
    return TVariant::Array(
        vtVariant, {TVariant(int32_t(tkRS232)), TVariant(PortA()), TVariant(speedCode),
                    TVariant(flow), TVariant(answerTimeout), TVariant(minGapUnit), TVariant(1)});
}

TVariant LineTest::RS485Props(int speedCode, int32_t answerTimeout, int32_t minGapUnit) const {
    return TVariant::Array(
        vtVariant, {TVariant(int32_t(tkRS485)), TVariant(PortA()), TVariant(speedCode),
                    TVariant(answerTimeout), TVariant(minGapUnit), TVariant(1), TVariant(0)});
}

void LineTest::WriteComSettings(const std::string& lines) {
    std::ofstream(dir_ / "com.ini") << "[Com]\n" << lines << "\n";
}

std::shared_ptr<TComTransport> LineTest::Transport(int32_t id) {
    return std::dynamic_pointer_cast<TComTransport>(Factory().FindTransport(id));
}

void LineTest::Send(int32_t transportID, const TBytes& request, int32_t lineFormat,
                    bool needAnswer) {
    std::shared_ptr<TComTransport> t = Transport(transportID);
    ASSERT_TRUE(t) << "no transport " << transportID;
    TTransportTaskPtr task = t->NewTask();
    task->MasterID = master_->ID();
    task->QID = 1;
    task->DataLen = int32_t(request.size());
    std::copy(request.begin(), request.end(), task->Data.begin());
    task->LineFormat = lineFormat;
    task->NeedAnswer = needAnswer;
    ASSERT_TRUE(t->AddTask(task));
}

TRecordingMaster::TAnswer LineTest::Answer() {
    std::optional<TRecordingMaster::TAnswer> a = master_->Next(kGuard);
    if (!a) throw std::runtime_error("the transport gave no task back");
    return std::move(*a);
}

void LineTest::OpenDevice(int baud) {
    ASSERT_TRUE(device_.Open(PortB())) << device_.Error();
    ASSERT_EQ(device_.SetSpeed(baud, false), TPortStatus::Ok) << device_.Error();
}

TBytes LineTest::DeviceRead(size_t count) {
    TBytes got;
    auto deadline = TClock::now() + kGuard;
    while (got.size() < count) {
        if (device_.WaitInput(deadline) != TPortStatus::Ok) break;
        uint8_t buffer[256];
        size_t n = 0;
        device_.Read(std::span<uint8_t>(buffer, std::min(sizeof buffer, count - got.size())), &n);
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

TClock::time_point LineTest::DeviceWrite(const TBytes& bytes) {
    auto at = TClock::now();
    EXPECT_EQ(device_.WriteAll(bytes, at + kGuard), TPortStatus::Ok) << device_.Error();
    deviceWritten_ += bytes.size();
    return at;
}

void LineTest::WaitDeviceBytesDelivered() {
    auto deadline = TClock::now() + kGuard;
    for (;;) {
        TPathCounters c = line_.Counters(TDirection::BtoA);
        if (c.DeliveredBytes + c.LostBytes >= deviceWritten_) return;
        ASSERT_LT(TClock::now(), deadline) << "the line did not carry the device's bytes";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::string LineTest::Log() {
    WaitLogWritten();
    return ReadLogFolder(dir_ / "Logs");
}

int LineTest::Count(const std::string& text) {
    return CountOccurrences(Log(), text);
}

std::chrono::microseconds LineTime(size_t chars, int baud) {
    return std::chrono::microseconds(int64_t(chars) * 10 * 1'000'000 / baud);
}

TBytes Pattern(size_t count, uint8_t first) {
    TBytes b(count);
    for (size_t i = 0; i < count; ++i) b[i] = uint8_t(first + i);
    return b;
}

}  // namespace trelon::test
