// Exchanges on a virtual line: where an answer ends, when there is none, and how much of one
// is kept. The device on the far end is played by the test.
#include <thread>

#include "line_fixture.h"

namespace trelon::test {
namespace {

using std::chrono::milliseconds;

struct TGapCase {
    int SpeedCode;
    int Baud;
    int MinGapUnit;
    int GapMs;  // the silence that ends an answer
    // Bytes of the device's answer: a short answer at the high speeds, so that no delay of
    // the virtual line inside it (it has them, a few ms at times) can end it early.
    size_t AnswerBytes;
};

void PrintTo(const TGapCase& c, std::ostream* out) {
    *out << c.Baud << " baud, min gap unit " << c.MinGapUnit << ": gap " << c.GapMs << " ms";
}

class GapTest : public LineTest, public ::testing::WithParamInterface<TGapCase> {};

// The answer is complete only after the gap of silence behind its last byte (never sooner);
// a longer pause ends it, and what comes after the pause is not taken into the next answer.
TEST_P(GapTest, AnAnswerEndsAfterTheGapOfSilence) {
    const TGapCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(OpenDevice(c.Baud));
    int32_t id = Factory().GetTransport(RS232Props(c.SpeedCode, 2000, c.MinGapUnit));
    ASSERT_NE(id, kNoID);
    const TBytes request = {1, 3, 0, 0, 0, 2, 0xC4, 0x0B};
    const TBytes answer = Pattern(c.AnswerBytes);

    Send(id, request);
    EXPECT_EQ(DeviceRead(request.size()), request);
    auto written = DeviceWrite(answer);
    auto whole = Answer();
    EXPECT_EQ(whole.Bytes(), answer);
    EXPECT_EQ(whole.Com().ByteGap, c.GapMs);
    EXPECT_GE(whole.At - written, LineTime(answer.size() - 1, c.Baud) + milliseconds(c.GapMs));

    Send(id, request);
    EXPECT_EQ(DeviceRead(request.size()), request);
    DeviceWrite(answer);
    std::this_thread::sleep_for(LineTime(answer.size(), c.Baud) + milliseconds(2 * c.GapMs + 20));
    DeviceWrite({0xEE, 0xEE});
    EXPECT_EQ(Answer().Bytes(), answer);

    ASSERT_NO_FATAL_FAILURE(WaitDeviceBytesDelivered());
    Send(id, request);
    EXPECT_EQ(DeviceRead(request.size()), request);
    DeviceWrite({0x55});
    EXPECT_EQ(Answer().Bytes(), TBytes({0x55}));
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, GapTest,
    ::testing::Values(TGapCase{4, 19200, 0, 15, 1}, TGapCase{3, 9600, 0, 25, 1},
                      TGapCase{0, 1200, 0, 165, 8}, TGapCase{4, 19200, 10, 50, 4}),
    [](const auto& info) {
        return std::to_string(info.param.Baud) + "_minGap" + std::to_string(info.param.MinGapUnit);
    });

// Pauses shorter than the gap do not end an answer (at 1200 baud, with room to spare for
// delays of the line).
TEST_F(LineTest, PausesShorterThanTheGapStayInsideTheAnswer) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(1200));
    int32_t id = Factory().GetTransport(RS232Props(0));
    ASSERT_NE(id, kNoID);
    Send(id, {1});
    EXPECT_EQ(DeviceRead(1), TBytes({1}));
    for (uint8_t part = 0; part < 3; ++part) {
        DeviceWrite({uint8_t(0x20 + part), uint8_t(0x30 + part)});
        std::this_thread::sleep_for(LineTime(2, 1200) + milliseconds(40));
    }
    EXPECT_EQ(Answer().Bytes(), TBytes({0x20, 0x30, 0x21, 0x31, 0x22, 0x32}));
}

// With "ByteTimeoutMultiplier" 0 the first pause between bytes ends the answer: at 1200 baud
// the bytes of an answer arrive one by one, so only its beginning is taken.
TEST_F(LineTest, WithoutAMultiplierTheFirstPauseEndsTheAnswer) {
    WriteComSettings("ByteTimeoutMultiplier=0");
    ASSERT_NO_FATAL_FAILURE(OpenDevice(1200));
    int32_t id = Factory().GetTransport(RS232Props(0));
    ASSERT_NE(id, kNoID);
    EXPECT_EQ(Transport(id)->ByteTimeoutMultiplier(), 0);
    const TBytes answer = Pattern(20);

    Send(id, {1, 2, 3});
    EXPECT_EQ(DeviceRead(3), TBytes({1, 2, 3}));
    DeviceWrite(answer);
    auto a = Answer();
    EXPECT_EQ(a.Com().ByteGap, 0);
    ASSERT_GE(a.Task->DataLen, 1);
    EXPECT_LT(a.Task->DataLen, int32_t(answer.size()));
    EXPECT_EQ(a.Bytes(), TBytes(answer.begin(), answer.begin() + a.Task->DataLen));
}

// No first byte within the answer timeout: the exchange fails with no answer, not sooner;
// the device's late answer is thrown away before the next request.
TEST_F(LineTest, NoAnswerWithinTheTimeoutFailsAndLateBytesAreDropped) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(19200));
    int32_t id = Factory().GetTransport(RS232Props(4, 300, 20));
    ASSERT_NE(id, kNoID);

    auto queued = TClock::now();
    Send(id, {7, 7, 7});
    EXPECT_EQ(DeviceRead(3), TBytes({7, 7, 7}));
    auto none = Answer();
    EXPECT_EQ(none.Task->DataLen, 0);
    EXPECT_GE(none.At - queued, milliseconds(300));

    DeviceWrite(Pattern(6, 0xA0));  // too late
    ASSERT_NO_FATAL_FAILURE(WaitDeviceBytesDelivered());
    Send(id, {8, 8});
    EXPECT_EQ(DeviceRead(2), TBytes({8, 8}));
    DeviceWrite({0x31, 0x32, 0x33});
    EXPECT_EQ(Answer().Bytes(), TBytes({0x31, 0x32, 0x33}));

    std::string log = Log();
    EXPECT_NE(log.find("\tIn\tErr\t\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tIn\tOK\t31 32 33 \r\n"), std::string::npos) << log;
}

// An answer longer than a task holds: the first 600 bytes are the answer, the rest goes.
// (A wide gap, so that no delay of the virtual line inside the burst can end it early.)
TEST_F(LineTest, AnAnswerIsCutAt600Bytes) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(115200));
    int32_t id = Factory().GetTransport(RS232Props(7, 1000, 20));
    ASSERT_NE(id, kNoID);
    TBytes longAnswer(700);
    for (size_t i = 0; i < longAnswer.size(); ++i) longAnswer[i] = uint8_t(i * 7);

    Send(id, {1});
    EXPECT_EQ(DeviceRead(1), TBytes({1}));
    DeviceWrite(longAnswer);
    auto a = Answer();
    EXPECT_EQ(a.Task->DataLen, 600);
    EXPECT_EQ(a.Bytes(), TBytes(longAnswer.begin(), longAnswer.begin() + 600));

    ASSERT_NO_FATAL_FAILURE(WaitDeviceBytesDelivered());
    Send(id, {2});
    EXPECT_EQ(DeviceRead(1), TBytes({2}));
    DeviceWrite({0x42});
    EXPECT_EQ(Answer().Bytes(), TBytes({0x42}));
}

// A request that needs no answer is done when it has left the port.
TEST_F(LineTest, ARequestWithoutAnswerOnlySends) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(9600));
    int32_t id = Factory().GetTransport(RS232Props(3));
    ASSERT_NE(id, kNoID);
    Send(id, {5, 6, 7}, kFormat8N1, false);
    auto a = Answer();
    EXPECT_EQ(a.Task->DataLen, 0);
    EXPECT_EQ(DeviceRead(3), TBytes({5, 6, 7}));
    EXPECT_EQ(Count("\tOut\tOK\t05 06 07 \r\n"), 1);
    EXPECT_EQ(Count("\tIn\t"), 0);
}

}  // namespace
}  // namespace trelon::test
