// The slave's side of Modbus RTU without a line: checksums, requests taken apart, and the
// bytes a device hears cut into requests.
#include <gtest/gtest.h>

#include "frame_collector.h"
#include "rtu_frame.h"

namespace trelon::rig {
namespace {

using namespace std::chrono_literals;

TBytes WithCrc(TBytes frame) {
    AppendCrc(frame);
    return frame;
}

TEST(RtuFrame, CrcOfAKnownRequest) {
    EXPECT_EQ(WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01}),
              (TBytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    EXPECT_TRUE(CrcMatches(WithCrc({0x11, 0x03, 0x00, 0x6B, 0x00, 0x02})));
    EXPECT_FALSE(CrcMatches(TBytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0B}));
}

TEST(RtuFrame, RequestsAreTakenApartOrRefused) {
    struct {
        TBytes Frame;  // without CRC
        TException Error;
        std::uint16_t Start, Count;
        std::vector<std::uint16_t> Values;
    } cases[] = {
        {{1, 3, 0xC0, 0x2C, 0, 16}, TException::None, 0xC02C, 16, {}},
        {{1, 4, 0xC1, 0xBA, 0, 2}, TException::None, 0xC1BA, 2, {}},
        {{5, 1, 0, 0, 0, 4}, TException::None, 0, 4, {}},
        {{1, 6, 0, 75, 0, 2}, TException::None, 75, 1, {2}},
        {{3, 5, 0, 2, 0xFF, 0}, TException::None, 2, 1, {1}},
        {{3, 5, 0, 2, 0x12, 0}, TException::IllegalValue, 2, 1, {}},
        {{1, 16, 0xC2, 0xD0, 0, 2, 4, 0x3F, 0x80, 0, 0}, TException::None, 0xC2D0, 2, {0x3F80, 0}},
        {{1, 16, 0xC2, 0xD0, 0, 2, 3, 0x3F, 0x80, 0}, TException::IllegalValue, 0xC2D0, 2, {}},
        {{5, 15, 0, 0, 0, 9, 2, 0x0D, 0x01}, TException::None, 0, 9, {1, 0, 1, 1, 0, 0, 0, 0, 1}},
        {{1, 3, 0, 0, 0, 126}, TException::IllegalValue, 0, 126, {}},
        {{1, 3, 0, 0, 0, 0}, TException::IllegalValue, 0, 0, {}},
        {{1, 3, 0xFF, 0xFF, 0, 2}, TException::IllegalAddress, 0xFFFF, 2, {}},
        {{1, 8, 0, 0, 0, 0}, TException::IllegalFunction, 0, 0, {}},
        {{1, 17}, TException::None, 0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Frame));
        TParsed parsed = ParseRequest(WithCrc(c.Frame));
        EXPECT_EQ(parsed.Error, c.Error);
        EXPECT_EQ(parsed.Request.Address, c.Frame[0]);
        if (c.Error != TException::None) continue;
        EXPECT_EQ(parsed.Request.Start, c.Start);
        EXPECT_EQ(parsed.Request.Count, c.Count);
        EXPECT_EQ(parsed.Request.Values, c.Values);
    }
}

TEST(RtuFrame, AnswersBuiltByTheRig) {
    EXPECT_EQ(ExceptionAnswer(1, 3, TException::IllegalAddress), WithCrc({1, 0x83, 2}));
    EXPECT_EQ(NameAnswer(4, "AB"), WithCrc({4, 17, 2, 'A', 'B'}));
}

class FrameCollectorTest : public ::testing::Test {
  protected:
    TFrameCollector collector_{2ms};
    TWallTime t0_ = std::chrono::steady_clock::now();
    TBytes read_ = WithCrc({1, 3, 0, 75, 0, 1});
    TBytes write_ = WithCrc({1, 16, 0xC2, 0xD0, 0, 2, 4, 0x3F, 0x80, 0, 0});
};

TEST_F(FrameCollectorTest, KnownLengthsEndFramesWithoutWaiting) {
    TBytes both = read_;
    both.insert(both.end(), write_.begin(), write_.end());
    auto first = collector_.Push(std::span(both).first(10), t0_);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], read_);
    auto second = collector_.Push(std::span(both).subspan(10), t0_ + 1ms);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0], write_);
    EXPECT_FALSE(collector_.Deadline());
}

TEST_F(FrameCollectorTest, BrokenBytesAreDroppedAtTheSilence) {
    TBytes broken = read_;
    broken[3] ^= 0x40;
    EXPECT_TRUE(collector_.Push(broken, t0_).empty());
    EXPECT_TRUE(collector_.Push(read_, t0_ + 1ms).empty());  // no silence yet: still noise
    EXPECT_TRUE(collector_.Idle(t0_ + 3500us).empty());      // dropped
    EXPECT_FALSE(collector_.Deadline());
    auto frames = collector_.Push(read_, t0_ + 4ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], read_);
}

TEST_F(FrameCollectorTest, AnUnknownFunctionEndsAtTheSilence) {
    TBytes archive = WithCrc({1, 65, 0, 1, 0, 1, 0, 0, 5});
    EXPECT_TRUE(collector_.Push(archive, t0_).empty());
    EXPECT_EQ(collector_.Deadline(), t0_ + 2ms);
    auto frames = collector_.Idle(t0_ + 2ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], archive);
    EXPECT_EQ(ParseRequest(frames[0]).Error, TException::IllegalFunction);
}

TEST(FrameSilence, ThreeAndAHalfCharactersOrTheFloor) {
    EXPECT_EQ(TFrameCollector::SilenceAt(9600, 1ms), std::chrono::microseconds(4010));
    EXPECT_EQ(TFrameCollector::SilenceAt(115200, 1750us), 1750us);
}

}  // namespace
}  // namespace trelon::rig
