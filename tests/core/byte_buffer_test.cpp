#include "core/byte_buffer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace trelon {
namespace {

TEST(ByteBufferTest, FillsToCapacityDropsTheRestAndKeepsOrder) {
    for (size_t capacity : {kTransportBufferCapacity, kChannelBufferCapacity}) {
        TByteBuffer buf(capacity);
        for (size_t i = 0; i < capacity; ++i) EXPECT_TRUE(buf.Put(uint8_t(i * 7)));
        EXPECT_FALSE(buf.Put(0xEE));  // one too many: dropped
        EXPECT_EQ(buf.Count(), int32_t(capacity));
        for (size_t i = 0; i < capacity; ++i) EXPECT_EQ(buf.Get(), uint8_t(i * 7));
        EXPECT_EQ(buf.Count(), 0);
    }
}

TEST(ByteBufferTest, EmptyGetGivesNothingAndMovesNothing) {
    TByteBuffer buf(kChannelBufferCapacity);
    buf.Put(1);
    buf.Get();
    EXPECT_EQ(buf.Get(), std::nullopt);
    EXPECT_EQ(buf.Count(), 0);
    buf.Put(2);
    EXPECT_EQ(buf.Get(), uint8_t(2));  // not a stale byte from an advanced read place
}

TEST(ByteBufferTest, ClearThenPutGivesThatByte) {
    TByteBuffer buf(kTransportBufferCapacity);
    for (uint8_t b : {1, 2, 3}) buf.Put(b);
    buf.Get();
    buf.Clear();
    EXPECT_EQ(buf.Count(), 0);
    buf.Put(9);
    EXPECT_EQ(buf.Get(), uint8_t(9));
}

TEST(ByteBufferTest, WrapsAroundTheEndOfItsStorage) {
    TByteBuffer buf(4);
    for (uint8_t b : {1, 2, 3}) buf.Put(b);
    buf.Get();
    buf.Get();
    for (uint8_t b : {4, 5, 6}) EXPECT_TRUE(buf.Put(b));
    EXPECT_FALSE(buf.Put(7));
    std::vector<int> out;
    while (auto b = buf.Get()) out.push_back(*b);
    EXPECT_EQ(out, (std::vector<int>{3, 4, 5, 6}));
}

TEST(ByteBufferTest, ProducerAndConsumerOnTwoThreads) {
    constexpr int kBytes = 20'000;
    TByteBuffer buf(kChannelBufferCapacity);
    std::thread producer([&] {
        for (int i = 0; i < kBytes; ++i) {
            while (!buf.Put(uint8_t(i))) std::this_thread::yield();
        }
    });
    int received = 0;
    bool inOrder = true;
    while (received < kBytes) {
        if (auto b = buf.Get()) {
            inOrder = inOrder && *b == uint8_t(received);
            ++received;
        }
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(buf.Count(), 0);
}

}  // namespace
}  // namespace trelon
