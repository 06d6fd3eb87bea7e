// One direction of the line on a made-up clock: when bytes are handed on, how they are
// grouped into frames, and what the injected faults do.
#include <gtest/gtest.h>

#include <numeric>

#include "line_path.h"

namespace trelon {
namespace {

using namespace std::chrono_literals;
using TBytes = std::vector<std::uint8_t>;

const TCharFormat k9600{9600, 8, TParity::None, 1};
const auto kChar = CharTime(k9600);  // 1.04 ms
const auto kGap = FrameGap(k9600);   // 3.5 characters

class LinePathTest : public ::testing::Test {
  protected:
    TLineTime At(std::chrono::nanoseconds offset) const { return start_ + offset; }

    void Send(std::chrono::nanoseconds at, TBytes bytes) { path_.Accept(At(at), bytes, k9600); }
    // What the receiver has got once the clock reaches `at`.
    TBytes DeliveredBy(std::chrono::nanoseconds at) {
        path_.Deliver(At(at), [this](std::span<const TLineByte> bytes) {
            std::size_t taken = std::min(bytes.size(), room_);
            for (const TLineByte& byte : bytes.first(taken)) received_.push_back(byte.Value);
            return TTaken{taken, full_};
        });
        return received_;
    }
    std::vector<TFrameRecord> FinishedBy(std::chrono::nanoseconds at) {
        DeliveredBy(at);
        return path_.TakeFinished(At(at));
    }

    TLineTime start_ = TLineClock::now();
    TLinePath path_{TDirection::AtoB};
    TBytes received_;
    std::size_t room_ = 1000;  // what the receiver takes of each batch
    bool full_ = false;        // why it takes no more: input full, or end closed
};

TBytes Counting(std::size_t n, std::uint8_t first = 0) {
    TBytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST_F(LinePathTest, BurstLeavesBackToBackAtTheSendersSpeed) {
    Send(0ns, Counting(10));
    EXPECT_EQ(path_.NextDeadline(), At(kChar));
    EXPECT_EQ(DeliveredBy(5 * kChar - 1ns).size(), 4u);
    EXPECT_EQ(DeliveredBy(5 * kChar).size(), 5u);
    // More bytes written while the burst is still on the line follow without a gap.
    Send(6 * kChar, Counting(5, 10));
    EXPECT_EQ(DeliveredBy(15 * kChar - 1ns).size(), 14u);
    EXPECT_EQ(DeliveredBy(15 * kChar), Counting(15));
    auto frames = FinishedBy(15 * kChar + kGap);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Bytes, Counting(15));
}

TEST_F(LinePathTest, SendersPauseSurvivesAndSplitsFrames) {
    Send(0ns, Counting(2));
    Send(10ms, Counting(2, 2));
    EXPECT_EQ(DeliveredBy(2 * kChar).size(), 2u);
    EXPECT_EQ(DeliveredBy(10ms + kChar - 1ns).size(), 2u);
    EXPECT_EQ(DeliveredBy(10ms + 2 * kChar).size(), 4u);
    auto frames = FinishedBy(10ms + 2 * kChar + kGap);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Index, 1u);
    EXPECT_EQ(frames[1].Bytes, Counting(2, 2));
}

TEST_F(LinePathTest, FrameEndsOnlyAfterThreeAndAHalfCharactersOfSilence) {
    Send(0ns, Counting(3));
    EXPECT_TRUE(FinishedBy(3 * kChar + kGap - 1ns).empty());
    EXPECT_EQ(path_.NextDeadline(), At(3 * kChar + kGap));
    // A byte just inside the silence continues the frame.
    Send(3 * kChar + kGap - 1us, {3});
    EXPECT_TRUE(FinishedBy(3 * kChar + kGap + kChar).empty());
    EXPECT_EQ(FinishedBy(1s).at(0).Length, 4u);
    EXPECT_EQ(path_.Counters().Frames, 1u);
}

TEST_F(LinePathTest, DelayedFrameHoldsBackWhatFollows) {
    path_.ArmDelay(100ms);
    Send(0ns, Counting(2));
    Send(20ms, Counting(2, 2));  // a later frame cannot overtake the held one
    EXPECT_TRUE(DeliveredBy(100ms + kChar - 1ns).empty());
    EXPECT_EQ(DeliveredBy(100ms + 2 * kChar).size(), 2u);
    EXPECT_EQ(DeliveredBy(100ms + 4 * kChar), Counting(4));
    auto frames = FinishedBy(1s);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Delay, 100ms);
    EXPECT_EQ(frames[1].Delay, 0ms);
    EXPECT_EQ(path_.Counters().DelayedFrames, 1u);
}

TEST_F(LinePathTest, UnpacedLineHandsBytesOnAtOnce) {
    path_.SetPaced(false);
    Send(0ns, Counting(100));
    EXPECT_EQ(DeliveredBy(0ns), Counting(100));
}

TEST_F(LinePathTest, DropAndCorruptTakeTheNextFrameOnly) {
    path_.ArmDrop();
    Send(0ns, {1, 2, 3});
    path_.ArmCorrupt(1, 0x0F);
    Send(10ms, {4, 5, 6});
    Send(20ms, {7, 8});
    EXPECT_EQ(DeliveredBy(1s), (TBytes{4, 5 ^ 0x0F, 6, 7, 8}));
    auto frames = FinishedBy(1s);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].Dropped);
    EXPECT_EQ(frames[0].Bytes, (TBytes{1, 2, 3}));
    EXPECT_TRUE(frames[1].Corrupted);
    EXPECT_FALSE(frames[2].Dropped || frames[2].Corrupted);
    EXPECT_EQ(path_.Counters().DeliveredBytes, 5u);
}

TEST_F(LinePathTest, CorruptionPastTheFrameIsUsedUpUnapplied) {
    path_.ArmCorrupt(5, 0xFF);
    Send(0ns, {1, 2});
    Send(10ms, Counting(8));
    EXPECT_EQ(DeliveredBy(1s), (TBytes{1, 2, 0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(path_.Counters().CorruptedFrames, 0u);
}

TEST_F(LinePathTest, CutLosesBytesOnTheLineAndThoseSentWhileCut) {
    Send(0ns, Counting(4));
    DeliveredBy(2 * kChar);
    path_.SetCut(true);
    Send(10ms, {9});
    DeliveredBy(20ms);
    path_.SetCut(false);
    Send(30ms, {10});
    EXPECT_EQ(DeliveredBy(1s), (TBytes{0, 1, 10}));
    auto frames = FinishedBy(1s);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].LostBytes, 2u);
    EXPECT_EQ(frames[1].LostBytes, 1u);
    EXPECT_EQ(path_.Counters().LostBytes, 3u);
}

TEST_F(LinePathTest, BytesAClosedReceiverDoesNotTakeAreLostToTheirFrame) {
    room_ = 1;
    Send(0ns, {1, 2, 3});
    EXPECT_EQ(DeliveredBy(1s), (TBytes{1}));
    auto frames = FinishedBy(1s);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].LostBytes, 2u);
    EXPECT_EQ(path_.Counters().DeliveredBytes, 1u);
}

TEST_F(LinePathTest, FullReceiverHoldsTheLineUntilItHasRoom) {
    room_ = 1;
    full_ = true;
    Send(0ns, {1, 2, 3});
    EXPECT_EQ(DeliveredBy(1s), (TBytes{1}));
    EXPECT_TRUE(path_.Held());
    EXPECT_TRUE(FinishedBy(2s).empty());
    EXPECT_EQ(DeliveredBy(2s), (TBytes{1}));
    EXPECT_EQ(path_.NextDeadline(), std::nullopt);  // nothing to do until it has room
    room_ = 1000;
    path_.Release();
    EXPECT_EQ(DeliveredBy(2s), (TBytes{1, 2, 3}));
    auto frames = FinishedBy(2s);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].LostBytes, 0u);
}

}  // namespace
}  // namespace trelon
