// Which props share a transport, what a live transport takes from new props, and settings
// that are refused.
#include "line_fixture.h"

namespace trelon::test {
namespace {

// Same port and speed: one transport, whose timing is the first one's; another speed or
// another flow control: a transport of its own, which cannot open the port in use. Once the
// last user has released it, the port is free again.
TEST_F(LineTest, OnePortAndSpeedShareOneTransportAndThePortIsLocked) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(19200));
    int32_t first = Factory().GetTransport(RS232Props(4, 300));
    ASSERT_NE(first, kNoID);
    EXPECT_EQ(Factory().GetTransport(RS232Props(4, 900, 10)), first);
    EXPECT_EQ(Count("Создание транспорта "), 1);

    Send(first, {1, 2});
    EXPECT_EQ(DeviceRead(2), TBytes({1, 2}));
    DeviceWrite({3});
    auto a = Answer();
    EXPECT_EQ(a.Bytes(), TBytes({3}));
    EXPECT_EQ(a.Com().AnswerTimeout, 300);
    EXPECT_EQ(a.Com().ByteGap, 15);

    EXPECT_EQ(Factory().GetTransport(RS232Props(3)), kNoID);
    EXPECT_EQ(Factory().GetTransport(RS232Props(4, 300, 0, 1)), kNoID);
    EXPECT_EQ(Factory().TransportCount(), 1u);
    EXPECT_EQ(Count("Создание транспорта RS232"), 3);
    EXPECT_EQ(Count("Удаление транспорта RS232"), 2);
    EXPECT_EQ(Count("the port is in use"), 2);

    // The other user goes; the port stays open for the first.
    Factory().ReleaseTransport(first);
    Factory().WaitIdle();
    Send(first, {4});
    EXPECT_EQ(DeviceRead(1), TBytes({4}));
    DeviceWrite({5});
    EXPECT_EQ(Answer().Bytes(), TBytes({5}));

    Factory().ReleaseTransport(first);
    Factory().WaitIdle();
    EXPECT_EQ(Factory().TransportCount(), 0u);
    EXPECT_EQ(Count("Удаление транспорта RS232 (ID = " + std::to_string(first) + ")"), 1);
    int32_t other = Factory().GetTransport(RS232Props(3));
    EXPECT_NE(other, kNoID);
}

// New props on a live shared transport change its answer timeout and gap for everybody;
// the port name and speed it was opened with stay what it is matched by.
TEST_F(LineTest, NewPropsOnALiveTransportChangeOnlyItsTiming) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(19200));
    int32_t id = Factory().GetTransport(RS232Props(4, 300));
    ASSERT_NE(id, kNoID);
    std::shared_ptr<TComTransport> t = Transport(id);

    TVariant moved =
        TVariant::Array(vtVariant, {TVariant(0), TVariant("COM3"), TVariant(3), TVariant(0),
                                    TVariant(700), TVariant(10), TVariant(0)});
    t->SetProps(moved);
    EXPECT_TRUE(t->SameProps(RS232Props(4)));
    EXPECT_FALSE(t->SameProps(moved));
    EXPECT_EQ(Factory().GetTransport(RS232Props(4, 1000)), id);

    Send(id, {1});
    EXPECT_EQ(DeviceRead(1), TBytes({1}));
    DeviceWrite({2});
    auto a = Answer();
    EXPECT_EQ(a.Bytes(), TBytes({2}));
    EXPECT_EQ(a.Com().AnswerTimeout, 700);
    EXPECT_EQ(a.Com().ByteGap, 50);  // the unit of 10 ms at the speed it was opened with
}

// A speed code outside 0 to 7 opens nothing and changes nothing; a character format that
// cannot be made fails its exchanges, with one record, and the next good one works.
TEST_F(LineTest, RefusedSettingsChangeNothing) {
    ASSERT_NO_FATAL_FAILURE(OpenDevice(19200));
    EXPECT_EQ(Factory().GetTransport(RS232Props(8)), kNoID);
    EXPECT_EQ(Factory().GetTransport(RS485Props(-1)), kNoID);
    EXPECT_EQ(Count("код скорости 8 вне диапазона 0-7"), 1);
    EXPECT_EQ(Count("код скорости -1 вне диапазона 0-7"), 1);

    int32_t id = Factory().GetTransport(RS232Props(4, 300));
    ASSERT_NE(id, kNoID);
    std::shared_ptr<TComTransport> t = Transport(id);
    t->SetProps(RS232Props(9, 800));
    EXPECT_EQ(t->Props().AnswerTimeout, 300);
    EXPECT_EQ(t->Props().SpeedCode, 4);
    EXPECT_TRUE(t->SameProps(RS232Props(4)));

    const int32_t oneAndAHalfStopBits = kFormat8N1 | 1 << 5;
    Send(id, {1}, oneAndAHalfStopBits);
    Send(id, {1}, oneAndAHalfStopBits);
    EXPECT_EQ(Answer().Task->DataLen, 0);
    EXPECT_EQ(Answer().Task->DataLen, 0);
    EXPECT_EQ(Count("полтора стоповых бита"), 1);

    Send(id, {9});
    EXPECT_EQ(DeviceRead(1), TBytes({9}));  // the refused requests never went out
    DeviceWrite({10});
    EXPECT_EQ(Answer().Bytes(), TBytes({10}));
}

}  // namespace
}  // namespace trelon::test
