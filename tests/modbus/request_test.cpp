#include "modbus_request.h"

#include <gtest/gtest.h>

#include <optional>

#include "datetime.h"
#include "result_array.h"
#include "test_support.h"

namespace trelon::test {
namespace {

constexpr int kRead = int(TRequestKind::ReadHoldRegs);
constexpr int kWrite = int(TRequestKind::WriteHoldRegs);
constexpr int kReadBits = int(TRequestKind::ReadHoldBins);
constexpr int kWriteBits = int(TRequestKind::WriteHoldBins);
constexpr int kTimeArch = int(TRequestKind::ReadTimeArch);
constexpr int kIndexArch = int(TRequestKind::ReadIndexArch);

TVariant Bools(int n) {
    return Arr(std::vector<TVariant>(size_t(n), TVariant(true)));
}
TVariant Items(TVarType type, int n) {
    return TVariant::Array(type, std::vector<TVarBound>{{0, n}});
}

struct TSizes {
    int32_t Count, ItemSize, OddByte;
    uint8_t Function;
};

struct TValidCase {
    const char* Name;
    std::vector<TVariant> Array;
    TModbusSettings Settings;
    TSizes Expected;
};

TEST(ReadRequest, DerivesCountsSizesAndFunctions) {
    const TModbusSettings adjust = Settings(1, mbcRTU, true), optimal = Settings(1, 0, 0, true);
    const TValidCase cases[] = {
        {"63 singles: 252 bytes", {kRead, 1, 0, 0, dtSingle, 63}, Settings(), {63, 4, 0, 3}},
        {"3 bytes fill 2 registers", {kRead, 1, 0, 0, dtUnsignedByte, 3}, Settings(), {3, 1, 1, 3}},
        {"3 adjusted bytes", {kRead, 1, 0, 0, dtUnsignedByte, 3}, adjust, {3, 2, 0, 3}},
        {"254 bytes", {kRead, 1, 0, 0, dtSignedByte, 254}, Settings(), {254, 1, 0, 3}},
        {"input record",
         {4, 1, 0, 65535, Arr({dtSingle, dtSignedWord}), 2},
         Settings(),
         {2, 6, 0, 4}},
        {"word, optimal", {kWrite, 1, 0, 10, Typed(vtSmallint, 1)}, optimal, {1, 2, 0, 6}},
        {"word, not optimal", {kWrite, 1, 0, 10, Typed(vtSmallint, 1)}, Settings(), {1, 2, 0, 16}},
        {"adjusted byte, optimal",
         {kWrite, 1, 0, 10, Typed(vtByte, 1)},
         Settings(1, 0, 1, 1),
         {1, 2, 0, 6}},
        {"three bytes", {kWrite, 1, 0, 10, Items(vtShortInt, 3)}, Settings(), {1, 3, 1, 16}},
        {"254 bytes written", {kWrite, 1, 0, 10, Items(vtByte, 254)}, Settings(), {1, 254, 0, 16}},
        {"2-D words",
         {kWrite, 1, 0, 10, TVariant::Array(vtWord, std::vector<TVarBound>{{0, 2}, {1, 2}})},
         Settings(),
         {1, 8, 0, 16}},
        {"2040 bits", {kReadBits, 1, 0, 0, 2040}, Settings(), {2040, 255, 0, 1}},
        {"2033 bits fit 255 bytes", {kReadBits, 1, 0, 0, 2033}, Settings(), {2033, 255, 1, 1}},
        {"9 bits", {7, 1, 0, 0, 9}, Settings(), {9, 2, 1, 2}},
        {"9 booleans", {kWriteBits, 1, 0, 0, Bools(9)}, optimal, {9, 2, 1, 15}},
        {"one boolean, optimal", {kWriteBits, 1, 0, 0, true}, optimal, {1, 1, 1, 5}},
        {"one boolean", {kWriteBits, 1, 0, 0, Bools(1)}, Settings(), {1, 1, 1, 15}},
        {"2040 booleans", {kWriteBits, 1, 0, 0, Bools(2040)}, Settings(), {2040, 255, 0, 15}},
        {"time archive",
         {kTimeArch, 1, 3, 2, 24, 5, 6, 7, 8, 9, Arr({19, 4})},
         Settings(),
         {2, 8, 0, 65}},
        {"index archive", {kIndexArch, 1, 3, 31, 0, dtSingle}, Settings(), {31, 4, 0, 65}},
        {"status", {10, 1, 0}, Settings(), {0, 0, 0, 7}},
        {"diagnostics", {11, 1, 0, 0, 0xA537}, Settings(), {0, 0, 0, 8}},
        {"device name", {1, 1}, Settings(), {0, 0, 0, 17}},
    };
    for (const TValidCase& c : cases) {
        TModbusRequest r = ReadRequest(Arr(c.Array), c.Settings);
        ASSERT_FALSE(r.Invalid) << c.Name;
        TSizes got{r.Count, r.ItemSize, r.OddByte, r.Function};
        EXPECT_EQ(got.Count, c.Expected.Count) << c.Name;
        EXPECT_EQ(got.ItemSize, c.Expected.ItemSize) << c.Name;
        EXPECT_EQ(got.OddByte, c.Expected.OddByte) << c.Name;
        EXPECT_EQ(got.Function, c.Expected.Function) << c.Name;
    }
}

struct TInvalidCase {
    const char* Name;
    TVariant Array;
};

TEST(ReadRequest, RefusesWhatCannotBeSentOrAnswered) {
    const TInvalidCase cases[] = {
        {"200 singles: 800 bytes", Arr({kRead, 1, 0, 0, dtSingle, 200})},
        {"64 singles: 256 bytes", Arr({kRead, 1, 0, 0, dtSingle, 64})},
        {"255 bytes need a byte count of 256", Arr({kRead, 1, 0, 0, dtUnsignedByte, 255})},
        {"count 0", Arr({kRead, 1, 0, 0, dtSignedWord, 0})},
        {"negative count", Arr({kRead, 1, 0, 0, dtSignedWord, -1})},
        {"count that wraps a 32-bit byte count", Arr({kRead, 1, 0, 0, dtSingle, 1 << 30})},
        {"one-byte type", Arr({kRead, 1, 0, 0, dtOneByte, 1})},
        {"three-byte type", Arr({kRead, 1, 0, 0, dtThreeByte, 1})},
        {"boolean type", Arr({kRead, 1, 0, 0, int32_t(vtBoolean), 1})},
        {"type 27", Arr({kRead, 1, 0, 0, 27, 1})},
        {"2-D data type",
         Arr({kRead, 1, 0, 0, TVariant::Array(vtInteger, std::vector<TVarBound>{{0, 1}, {0, 1}}),
              1})},
        {"start address above 16 bits", Arr({kRead, 1, 0, 65536, dtSignedWord, 1})},
        {"negative start address", Arr({kRead, 1, 0, -1, dtSignedWord, 1})},
        {"negative period", Arr({kRead, 1, -5, 0, dtSignedWord, 1})},
        {"missing count", Arr({kRead, 1, 0, 0, dtSignedWord})},
        {"count as text", Arr({kRead, 1, 0, 0, dtSignedWord, "many"})},
        {"double written", Arr({kWrite, 1, 0, 0, TVariant(1.5)})},
        {"boolean written to registers", Arr({kWrite, 1, 0, 0, true})},
        {"255 bytes written need a pad byte", Arr({kWrite, 1, 0, 0, Items(vtByte, 255)})},
        {"128 words", Arr({kWrite, 1, 0, 0, Items(vtWord, 128)})},
        {"empty array written", Arr({kWrite, 1, 0, 0, Items(vtWord, 0)})},
        {"nested array written", Arr({kWrite, 1, 0, 0, Arr({Items(vtWord, 2)})})},
        {"2041 bits", Arr({kReadBits, 1, 0, 0, 2041})},
        {"0 bits", Arr({kReadBits, 1, 0, 0, 0})},
        {"-1 bits", Arr({kReadBits, 1, 0, 0, -1})},
        {"2041 booleans", Arr({kWriteBits, 1, 0, 0, Bools(2041)})},
        {"no booleans", Arr({kWriteBits, 1, 0, 0, Items(vtBoolean, 0)})},
        {"integers as bits", Arr({kWriteBits, 1, 0, 0, Arr({1, 0, 1})})},
        {"archive count 0", Arr({kIndexArch, 1, 3, 0, 0, dtSingle})},
        {"archive of 32 x 8 bytes", Arr({kIndexArch, 1, 3, 32, 0, Arr({19, 4})})},
        {"archive type omitted", Arr({kIndexArch, 1, 3, 1, 0, TVariant::Omitted()})},
        {"archive type missing", Arr({kTimeArch, 1, 3, 1, 24, 5, 6, 7, 8, 9})},
        {"matched time not a number", Arr({12, 1, 3, 1, TVariant("soon"), dtSingle, 0, 0})},
        {"exchange data not an array", Arr({0, 1, 5, 65, 0, 7})},
        {"exchange address above a byte", Arr({0, 1, 256, 65, 0, Arr({1})})},
        {"diagnostics data above 16 bits", Arr({11, 1, 0, 0, 65536})},
        {"unknown kind", Arr({13, 1})},
        {"kind as text", Arr({"read", 1})},
        {"no QID", Arr({1})},
        {"not an array", TVariant(2)},
        {"two-dimensional request",
         TVariant::Array(vtVariant, std::vector<TVarBound>{{0, 2}, {0, 6}})},
    };
    for (const TInvalidCase& c : cases)
        EXPECT_TRUE(ReadRequest(c.Array, Settings()).Invalid) << c.Name;
}

TEST(ReadRequest, TakesAddressModeParityAndRetriesFromTheMaster) {
    TModbusSettings s = Settings(17, mbcASCII, false, false);
    s.Parity = mpOdd;
    s.Retries = 3;
    TModbusRequest read = Request({kRead, 42, 500, 100, dtSingle, 2}, s);
    EXPECT_EQ(read.QID, 42);
    EXPECT_EQ(read.DeviceAddress, 17);
    EXPECT_EQ(read.Period, 500);
    EXPECT_EQ(read.StartAddress, 100);
    EXPECT_EQ(read.Mode, mbcASCII);
    EXPECT_EQ(read.Parity, mpOdd);
    EXPECT_EQ(read.Retries, 3);
    // Exchange names its own address; an invalid request still reports its kind and QID.
    EXPECT_EQ(Request({0, 7, 5, 65, 0, Arr({1})}, s).DeviceAddress, 5);
    TModbusRequest bad = Request({kRead, 9, 0, 0, dtOneByte, 1}, s);
    EXPECT_TRUE(bad.Invalid);
    EXPECT_EQ(bad.QID, 9);
    EXPECT_EQ(bad.DeviceAddress, 17);
    EXPECT_EQ(bad.Function, 3);
}

TEST(ReadRequest, MatchedArchiveTakesItsTimeBytesFromTheRequestedTime) {
    double when = EncodeDateTime({2024, 5, 6, 7, 8, 9, 0});
    TModbusRequest r = Request({12, 1, 3, 1, TVariant::Date(when), Arr({19, 4}), 2, 0});
    ASSERT_FALSE(r.Invalid);
    EXPECT_EQ(r.Year, 24);  // two digits
    EXPECT_EQ(r.Month, 5);
    EXPECT_EQ(r.Second, 9);
    EXPECT_EQ(r.TimeCheckLevel, 2);
    EXPECT_EQ(r.TimeCheckIndex, 0);
    EXPECT_EQ(r.TimeStamp, when);
}

TEST(ReadSettings, TakesTheMasterPropsArray) {
    std::optional<TModbusSettings> s = ReadSettings(Arr({0, 17, 1, 2, 5, true, false}));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->DefaultAddress, 17);
    EXPECT_EQ(s->Mode, mbcASCII);
    EXPECT_EQ(s->Parity, mpEven);
    EXPECT_EQ(s->Retries, 5);
    EXPECT_TRUE(s->AdjustToWord);
    EXPECT_FALSE(s->OptimalUseFunction);
    for (const TVariant& bad :
         {Arr({1, 17, 1, 2, 5, true, false}), Arr({0, 256, 0, 0, 1, 0, 0}),
          Arr({0, 1, 2, 0, 1, 0, 0}), Arr({0, 1, 0, 3, 1, 0, 0}), Arr({0, 1, 0, 0, 1, 0})})
        EXPECT_FALSE(ReadSettings(bad)) << bad.Debug();
}

TEST(MakeResultArray, ElementTypesFollowTheResult) {
    TModbusRequest r = Request({kRead, -5, 0, 0, dtSignedWord, 1}, Settings(200));
    TVariant ok = MakeResultArray(r, Typed(vtSmallint, 10), mbcOK);
    EXPECT_EQ(ok, Arr({Typed(vtByte, kRead), -5, Typed(vtByte, 200), Typed(vtByte, 3),
                       Typed(vtSmallint, 10), 0}));
    TVariant refused = MakeResultArray(r, {}, mbcWrongType);
    EXPECT_EQ(refused[4], TVariant());
    EXPECT_EQ(refused[5], Typed(vtByte, 15));
    TVariant dropped = MakeResultArray(r, {}, mbcNoTransport);
    EXPECT_TRUE(dropped[4].IsNull());
    EXPECT_EQ(dropped[5], Typed(vtByte, 18));
    EXPECT_EQ(MakeResultArray(r, {}, mbcNoAnswer)[5], TVariant(1));
}

}  // namespace
}  // namespace trelon::test
