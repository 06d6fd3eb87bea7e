// The line between real ports: bytes, pacing, faults, closed and unplugged ends.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "test_port.h"
#include "virtual_line.h"

namespace trelon::test {
namespace {

const TBytes kRequest = {0x11, 0x03, 0x00, 0x6B, 0x00, 0x03, 0x76, 0x87};
const TBytes kAnswer = {0x11, 0x03, 0x06, 0xAE, 0x41, 0x56, 0x52, 0x43, 0x40, 0x49, 0xAD};
const TBytes kMarker = {0x5A, 0xA5};

TBytes Joined(TBytes first, const TBytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// A line in a folder of its own, with ports on its ends opened when first used.
class TLineBench {
  public:
    TLineOptions Options() const {
        TLineOptions options;
        options.Directory = dir_.Path();
        return options;
    }
    TVirtualLine& Line() {
        if (!line_) line_ = std::make_unique<TVirtualLine>(Options());
        return *line_;
    }
    TTestPort& Port(TEnd end, speed_t speed = B19200) {
        auto& port = ports_[IndexOf(end)];
        if (!port) port = std::make_unique<TTestPort>(Line().Path(end), speed);
        return *port;
    }
    // Sends a frame and waits until the line has carried it.
    TFrameRecord Carry(TDirection direction, const TBytes& frame) {
        Port(SenderOf(direction)).Write(frame);
        auto record = Line().WaitFrame(direction, 5s);
        EXPECT_TRUE(record) << "no frame passed";
        return record.value_or(TFrameRecord{});
    }

    TTempDir dir_;
    std::unique_ptr<TVirtualLine> line_;
    std::unique_ptr<TTestPort> ports_[2];
};

class VirtualLineTest : public ::testing::Test, public TLineBench {};

TEST_F(VirtualLineTest, EveryByteValuePassesBothWaysOnRawPorts) {
    TBytes all(256);
    std::iota(all.begin(), all.end(), 0);
    TBytes reversed(all.rbegin(), all.rend());
    EXPECT_TRUE(Line().Device(TEnd::A).starts_with("/dev/pts/"));
    EXPECT_EQ(std::filesystem::read_symlink(Line().Path(TEnd::B)), Line().Device(TEnd::B));
    // Bytes sent to an end nobody has open are lost: wait until the line has seen both
    // ports open, by probing until a byte gets through each way.
    for (auto [from, to] : {std::pair{TEnd::A, TEnd::B}, std::pair{TEnd::B, TEnd::A}}) {
        Port(to);
        bool through = false;
        for (int k = 0; k < 200 && !through; ++k) {
            Port(from).Write(TBytes{0x55});
            through = !Port(to).Read(1, 20ms).empty();
        }
        ASSERT_TRUE(through);
        while (!Port(to).Read(1, 50ms).empty()) {
        }  // a late probe
    }
    Port(TEnd::A).Write(all);
    Port(TEnd::B).Write(reversed);
    EXPECT_EQ(Port(TEnd::B).Read(256), all);
    EXPECT_EQ(Port(TEnd::A).Read(256), reversed);
}

TEST_F(VirtualLineTest, BurstTakesItsTimeOnTheLine) {
    // 100 characters of 10 bits at 9600 baud: 104 ms from the write to the last byte.
    Port(TEnd::B, B9600);
    Port(TEnd::A, B9600);
    auto written = TLineClock::now();
    Port(TEnd::A).Write(TBytes(100, 0x55));
    auto arrivals = Port(TEnd::B).ReadTimed(100);
    ASSERT_EQ(arrivals.size(), 100u);
    auto took = arrivals.back().At - written;
    EXPECT_GE(took, 100ms);
    EXPECT_LE(took, 2s);
}

TEST_F(VirtualLineTest, UnpacedLineDoesNotWaitForTheLineTime) {
    // At 300 baud the burst would take 3.3 s on the line.
    Line().Paced(false);
    Port(TEnd::B, B300);
    Port(TEnd::A, B300);
    auto written = TLineClock::now();
    Port(TEnd::A).Write(TBytes(100, 0x55));
    auto arrivals = Port(TEnd::B).ReadTimed(100);
    ASSERT_EQ(arrivals.size(), 100u);
    EXPECT_LT(arrivals.back().At - written, 1s);
}

TEST_F(VirtualLineTest, SendersGapSurvivesAndBurstsHaveNone) {
    // At 50 baud a character lasts 200 ms, so the bounds stay far from what scheduling
    // delays on a loaded machine can reach; the pause is longer than 3.5 characters.
    const auto character = 200ms;
    Port(TEnd::B, B50);
    Port(TEnd::A, B50);
    Port(TEnd::A).Write(TBytes{0x01, 0x02, 0x03});
    auto first = Port(TEnd::B).ReadTimed(3);
    std::this_thread::sleep_for(800ms);  // the sender's pause
    Port(TEnd::A).Write(TBytes{0x04, 0x05, 0x06});
    auto second = Port(TEnd::B).ReadTimed(3);
    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_GE(second.front().At - first.back().At, 800ms);
    for (const auto* burst : {&first, &second})
        for (std::size_t i = 1; i < burst->size(); ++i)
            EXPECT_LE((*burst)[i].At - (*burst)[i - 1].At, character * 3 / 2) << i;
    // The line itself saw two frames of three bytes.
    EXPECT_EQ(Line().WaitFrame(TDirection::AtoB, 5s).value().Bytes, (TBytes{0x01, 0x02, 0x03}));
    EXPECT_EQ(Line().WaitFrame(TDirection::AtoB, 5s).value().Length, 3u);
}

struct TFaultCase {
    const char* Name;
    void (*Arm)(TVirtualLine&, TDirection);
    void (*Mend)(TVirtualLine&, TDirection);
    TBytes Received;  // what the receiver gets of kRequest
    bool Dropped;
    bool Corrupted;
    std::size_t Lost;
    bool OtherWayLost;  // the fault also takes the frame going the other way
};

TBytes CorruptedAt3(TBytes bytes) {
    bytes[3] ^= 0xFF;
    return bytes;
}

void Nothing(TVirtualLine&, TDirection) {}
void Drop(TVirtualLine& line, TDirection way) {
    line.DropNextFrame(way);
}
void Corrupt3(TVirtualLine& line, TDirection way) {
    line.CorruptNextFrame(way, 3);
}
void CutWay(TVirtualLine& line, TDirection way) {
    line.Cut(way);
}
void RestoreWay(TVirtualLine& line, TDirection way) {
    line.Restore(way);
}
void CutBoth(TVirtualLine& line, TDirection) {
    line.Cut();
}
void RestoreBoth(TVirtualLine& line, TDirection) {
    line.Restore();
}

// clang-format off
const TFaultCase kFaultCases[] = {
    // name             arm       mend         received                dropped corrupt lost other
    {"no fault",       Nothing,  Nothing,     kRequest,               false,  false,  0,   false},
    {"drop",           Drop,     Nothing,     {},                     true,   false,  0,   false},
    {"corrupt byte 3", Corrupt3, Nothing,     CorruptedAt3(kRequest), false,  true,   0,   false},
    {"cut one way",    CutWay,   RestoreWay,  {},                     false,  false,  8,   false},
    {"cut both ways",  CutBoth,  RestoreBoth, {},                     false,  false,  8,   true},
};
// clang-format on

// Arms the fault, sends a frame the other way and then the frame the fault is for, mends
// the line, and sends a marker both ways: each receiver must read what got through, then
// the marker (anything lost would otherwise have come before it).
TEST(VirtualLineFaults, EachFaultDoesWhatItSaysInItsDirectionOnly) {
    for (const TFaultCase& c : kFaultCases) {
        for (TDirection way : {TDirection::AtoB, TDirection::BtoA}) {
            SCOPED_TRACE(std::string(c.Name) + (way == TDirection::AtoB ? " A->B" : " B->A"));
            TLineBench t;
            TDirection other = DirectionFrom(ReceiverOf(way));
            t.Port(TEnd::A);
            t.Port(TEnd::B);
            c.Arm(t.Line(), way);
            TFrameRecord answer = t.Carry(other, kAnswer);
            TFrameRecord request = t.Carry(way, kRequest);
            c.Mend(t.Line(), way);
            t.Carry(way, kMarker);
            t.Carry(other, kMarker);

            EXPECT_EQ(request.Bytes, c.Corrupted ? CorruptedAt3(kRequest) : kRequest);
            EXPECT_EQ(request.Dropped, c.Dropped);
            EXPECT_EQ(request.Corrupted, c.Corrupted);
            EXPECT_EQ(request.LostBytes, c.Lost);
            EXPECT_EQ(answer.LostBytes, c.OtherWayLost ? kAnswer.size() : 0u);
            TBytes got = Joined(c.Received, kMarker);
            TBytes gotOther = Joined(c.OtherWayLost ? TBytes{} : kAnswer, kMarker);
            EXPECT_EQ(t.Port(ReceiverOf(way)).Read(got.size()), got);
            EXPECT_EQ(t.Port(ReceiverOf(other)).Read(gotOther.size()), gotOther);
        }
    }
}

TEST_F(VirtualLineTest, DelayedFrameArrivesNoSoonerThanItsDelay) {
    Port(TEnd::B);
    Line().DelayNextFrame(TDirection::AtoB, 200ms);
    auto written = TLineClock::now();
    Port(TEnd::A).Write(kRequest);
    auto arrivals = Port(TEnd::B).ReadTimed(kRequest.size());
    ASSERT_EQ(arrivals.size(), kRequest.size());
    EXPECT_GE(arrivals.front().At - written, 200ms);
    EXPECT_LE(arrivals.front().At - written, 2200ms);
    EXPECT_EQ(Line().WaitFrame(TDirection::AtoB, 5s).value().Delay, 200ms);
    EXPECT_EQ(Line().Counters(TDirection::AtoB).DelayedFrames, 1u);
}

TEST_F(VirtualLineTest, BytesSentToAClosedEndAreLostNotKeptForItsNextUser) {
    EXPECT_EQ(Carry(TDirection::BtoA, kRequest).LostBytes, kRequest.size());  // never opened
    Port(TEnd::A);
    ports_[0].reset();
    EXPECT_EQ(Carry(TDirection::BtoA, kRequest).LostBytes, kRequest.size());  // closed again
    Port(TEnd::A);
    Carry(TDirection::BtoA, kMarker);
    // Bytes kept for the next user would come before the marker.
    EXPECT_EQ(Port(TEnd::A).Read(kMarker.size()), kMarker);
    EXPECT_EQ(Line().Counters(TDirection::BtoA).LostBytes, 2 * kRequest.size());
}

TEST_F(VirtualLineTest, ReceiverThatDoesNotReadHoldsTheLineBackAndLosesNothing) {
    // Far more than the input of a pseudo-terminal holds, read in small pieces.
    Line().Paced(false);
    TBytes data(200'000);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    Port(TEnd::B);
    std::thread sender([&] {
        TTestPort port(Line().Path(TEnd::A));
        int flags = ::fcntl(port.Fd(), F_GETFL);
        ::fcntl(port.Fd(), F_SETFL, flags & ~O_NONBLOCK);  // a writer that waits for room
        port.Write(data);
    });
    EXPECT_EQ(Port(TEnd::B).Read(data.size(), 30s), data);
    sender.join();
    EXPECT_EQ(Line().Counters(TDirection::AtoB).LostBytes, 0u);
}

TEST_F(VirtualLineTest, UnplugHangsUpTheOpenPortAndReplugBringsANewDevice) {
    int a = Port(TEnd::A).Fd();
    Port(TEnd::B);
    Line().Unplug(TEnd::A);

    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Line().Path(TEnd::A))));
    EXPECT_EQ(Line().Device(TEnd::A), "");
    EXPECT_EQ(::write(a, "x", 1), -1);
    EXPECT_EQ(errno, EIO);
    pollfd entry{a, POLLIN, 0};
    ASSERT_EQ(::poll(&entry, 1, 0), 1);
    EXPECT_TRUE(entry.revents & POLLHUP);
    char byte;
    EXPECT_LE(::read(a, &byte, 1), 0);
    EXPECT_EQ(Carry(TDirection::BtoA, kRequest).LostBytes, kRequest.size());

    Line().Replug(TEnd::A);
    ports_[0].reset();
    EXPECT_EQ(std::filesystem::read_symlink(Line().Path(TEnd::A)), Line().Device(TEnd::A));
    Carry(TDirection::AtoB, kRequest);
    EXPECT_EQ(Port(TEnd::B).Read(kRequest.size()), kRequest);
    Carry(TDirection::BtoA, kAnswer);
    EXPECT_EQ(Port(TEnd::A).Read(kAnswer.size()), kAnswer);
}

TEST_F(VirtualLineTest, SpeedMismatchGarblesBytesLikeARealLine) {
    // Sent at 19200, read at 9600: the receiver samples every second bit of the sender
    // (0x00 reads as 0xF8) and misses a character whose first data bit is 1.
    Port(TEnd::B, B9600);
    Carry(TDirection::AtoB, {0x00, 0x01, 0x00});
    Port(TEnd::B).SetSpeed(B19200);
    Carry(TDirection::AtoB, kMarker);
    EXPECT_EQ(Port(TEnd::B).Read(4), Joined({0xF8, 0xF8}, kMarker));
}

TEST_F(VirtualLineTest, LinkOfAnotherLiveLineIsLeftAlone) {
    Line();
    EXPECT_THROW(TVirtualLine second(Options()), std::runtime_error);
    EXPECT_TRUE(std::filesystem::exists(Line().Path(TEnd::A)));
}

}  // namespace
}  // namespace trelon::test
