#include "request_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "datetime.h"
#include "test_support.h"

namespace trelon::test {
namespace {

struct TFrameCase {
    const char* Name;
    std::vector<TVariant> Array;
    bool AdjustToWord, OptimalUseFunction;
    TBytes Pdu;  // address to last data byte
};

TModbusSettings At17(bool adjust, bool optimal, uint8_t mode) {
    return Settings(0x11, mode, adjust, optimal);
}

TEST(BuildFrame, EveryRequestKindInRtuAndAscii) {
    TVariant mixed =
        Arr({TVariant::Single(1.0f), Typed(vtLongWord, 0x01020304), Typed(vtInteger, -2)});
    TVariant grid = TVariant::Array(vtSmallint, std::vector<TVarBound>{{0, 2}, {0, 2}});
    for (int k = 0; k < 4; ++k) grid.Items()[size_t(k)] = Typed(vtSmallint, k + 1);
    TVariant nineBits = Arr({true, false, true, true, false, false, false, false, true});
    double when = EncodeDateTime({2024, 5, 6, 7, 8, 9, 0});
    const TFrameCase cases[] = {
        {"two words from 107", {2, 1, 0, 107, dtSignedWord, 2}, 0, 0, {0x11, 3, 0, 0x6B, 0, 2}},
        {"3 bytes: 2 registers", {4, 1, 0, 0, dtUnsignedByte, 3}, 0, 0, {0x11, 4, 0, 0, 0, 2}},
        {"3 adjusted bytes: 3 registers",
         {4, 1, 0, 0, dtUnsignedByte, 3},
         1,
         0,
         {0x11, 4, 0, 0, 0, 3}},
        {"word 1 with function 6",
         {3, 1, 0, 10, Typed(vtSmallint, 1)},
         0,
         1,
         {0x11, 6, 0, 10, 0, 1}},
        {"word 1 with function 16",
         {3, 1, 0, 10, Typed(vtSmallint, 1)},
         0,
         0,
         {0x11, 16, 0, 10, 0, 1, 2, 0, 1}},
        {"odd bytes get a pad byte",
         {3, 1, 0, 10, Arr({Typed(vtShortInt, -1), Typed(vtByte, 2), Typed(vtByte, 3)})},
         0,
         0,
         {0x11, 16, 0, 10, 0, 2, 4, 0xFF, 2, 3, 0}},
        {"adjusted negative byte",
         {3, 1, 0, 10, Arr({Typed(vtShortInt, -1)})},
         1,
         0,
         {0x11, 16, 0, 10, 0, 1, 2, 0, 0xFF}},
        {"single, longword, integer",
         {3, 1, 0, 0x100, mixed},
         0,
         0,
         {0x11, 16, 1, 0, 0, 6, 12, 0x3F, 0x80, 0, 0, 1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFE}},
        {"2-D array row by row",
         {3, 1, 0, 0, grid},
         0,
         0,
         {0x11, 16, 0, 0, 0, 4, 8, 0, 1, 0, 2, 0, 3, 0, 4}},
        {"9 coils from 19", {5, 1, 0, 19, 9}, 0, 0, {0x11, 1, 0, 19, 0, 9}},
        {"9 inputs", {7, 1, 0, 19, 9}, 0, 0, {0x11, 2, 0, 19, 0, 9}},
        {"9 booleans packed",
         {6, 1, 0, 19, nineBits},
         0,
         1,
         {0x11, 15, 0, 19, 0, 9, 2, 0x0D, 0x01}},
        {"true with function 5", {6, 1, 0, 19, true}, 0, 1, {0x11, 5, 0, 19, 0xFF, 0}},
        {"[false] with function 5", {6, 1, 0, 19, Arr({false})}, 0, 1, {0x11, 5, 0, 19, 0, 0}},
        {"one boolean with function 15", {6, 1, 0, 19, true}, 0, 0, {0x11, 15, 0, 19, 0, 1, 1, 1}},
        {"device name", {1, 1}, 0, 0, {0x11, 17}},
        {"status", {10, 1, 0}, 0, 0, {0x11, 7}},
        {"diagnostics", {11, 1, 0, 0, 0xA537}, 0, 0, {0x11, 8, 0, 0, 0xA5, 0x37}},
        {"exchange bytes, low 8 bits",
         {0, 1, 5, 0x41, 0, Arr({1, 2, 0x1FF})},
         0,
         0,
         {5, 0x41, 1, 2, 0xFF}},
        {"time archive",
         {8, 1, 3, 2, 24, 5, 6, 7, 8, 9, Arr({19, 4})},
         0,
         0,
         {0x11, 65, 0, 3, 0, 2, 1, 9, 8, 7, 6, 5, 24}},
        {"time archive year mod 256",
         {8, 1, 3, 2, 2024, 5, 6, 7, 8, 9, 19},
         0,
         0,
         {0x11, 65, 0, 3, 0, 2, 1, 9, 8, 7, 6, 5, 0xE8}},
        {"index archive", {9, 1, 3, 1, 0x0102, dtSingle}, 0, 0, {0x11, 65, 0, 3, 0, 1, 0, 1, 2}},
        {"matched archive",
         {12, 1, 3, 1, TVariant::Date(when), Arr({19, 4}), 0, 0},
         0,
         0,
         {0x11, 65, 0, 3, 0, 1, 1, 9, 8, 7, 6, 5, 24}},
    };
    for (const TFrameCase& c : cases) {
        for (uint8_t mode : {mbcRTU, mbcASCII}) {
            TModbusRequest r = Request(c.Array, At17(c.AdjustToWord, c.OptimalUseFunction, mode));
            ASSERT_FALSE(r.Invalid) << c.Name;
            EXPECT_EQ(Frame(r), mode == mbcRTU ? WithCrc(c.Pdu) : AsAscii(c.Pdu))
                << c.Name << (mode == mbcRTU ? " RTU" : " ASCII");
        }
    }
}

TEST(BuildFrame, KnownFramesWithTheirChecksums) {
    EXPECT_EQ(Frame(Request({2, 1, 0, 107, dtSignedWord, 2}, Settings(0x11))),
              (TBytes{0x11, 3, 0, 0x6B, 0, 2, 0xB7, 0x47}));
    EXPECT_EQ(Frame(Request({2, 1, 0, 0, dtSignedWord, 1}, Settings(1))),
              (TBytes{1, 3, 0, 0, 0, 1, 0x84, 0x0A}));
    EXPECT_EQ(Frame(Request({2, 1, 0, 0, dtSignedWord, 1}, Settings(1, mbcASCII))),
              Text(":010300000001FB\r\n"));
}

// An Exchange whose frame is exactly `total` bytes long in the given mode.
TModbusRequest ExchangeOfLength(size_t total, uint8_t mode) {
    size_t overhead = mode == mbcRTU ? 4 : 9;  // address, function, checksum (and ASCII tail)
    size_t data = mode == mbcRTU ? total - overhead : (total - overhead) / 2;
    return Request({0, 1, 5, 0x41, 0, Arr(std::vector<TVariant>(data, TVariant(0x55)))},
                   Settings(1, mode));
}

TEST(BuildFrame, A600ByteFrameFitsAndALongerOneRaisesWithoutWritingBeyond) {
    for (uint8_t mode : {mbcRTU, mbcASCII}) {
        std::array<uint8_t, kFrameCapacity + 16> storage;
        std::span<uint8_t> buffer(storage.data(), kFrameCapacity);
        size_t fits = mode == mbcRTU ? 600 : 599;  // ASCII frames have an odd length
        EXPECT_EQ(BuildFrame(ExchangeOfLength(fits, mode), buffer), fits);
        storage.fill(0xEE);
        EXPECT_THROW(BuildFrame(ExchangeOfLength(fits + 2, mode), buffer), EFrameError);
        EXPECT_TRUE(std::all_of(storage.begin() + kFrameCapacity, storage.end(),
                                [](uint8_t b) { return b == 0xEE; }));
    }
}

TEST(BuildFrame, RefusesAnInvalidRequest) {
    TModbusRequest r = Request({2, 1, 0, 0, dtOneByte, 1});
    ASSERT_TRUE(r.Invalid);
    std::array<uint8_t, kFrameCapacity> buffer;
    EXPECT_THROW(BuildFrame(r, buffer), EFrameError);
}

}  // namespace
}  // namespace trelon::test
