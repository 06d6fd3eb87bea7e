#include "answer_check.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace trelon::test {
namespace {

const TModbusRequest& OneWord() {
    static const TModbusRequest r = Request({2, 1, 0, 0, dtSignedWord, 1});
    return r;
}

TBytes Corrupted(TBytes frame, size_t at) {
    frame[at] ^= 0x01;
    return frame;
}

struct TAnswerCase {
    const char* Name;
    TModbusRequest Request;
    TBytes Answer;
    MBResult Result;
    TVariant Value;
};

TEST(CheckAnswer, RtuAnswersByKind) {
    TModbusRequest bytes3 = Request({2, 1, 0, 0, dtUnsignedByte, 3});
    TModbusRequest adjusted3 = Request({2, 1, 0, 0, dtUnsignedByte, 3}, Settings(1, 0, true));
    TModbusRequest singles2 = Request({4, 1, 0, 0, dtSingle, 2});
    TModbusRequest bits9 = Request({5, 1, 0, 0, 9});
    TVariant nine =
        TVariant::Array(vtBoolean, {true, false, true, true, false, false, false, false, true});
    const TAnswerCase cases[] = {
        {"word 10", OneWord(), WithCrc({1, 3, 2, 0, 10}), mbcOK, Typed(vtSmallint, 10)},
        {"CRC byte changed",
         OneWord(),
         Corrupted(WithCrc({1, 3, 2, 0, 10}), 5),
         mbcCheckSumError,
         {}},
        {"three bytes", OneWord(), {1, 3, 2}, mbcNoAnswer, {}},
        {"nothing", OneWord(), {}, mbcNoAnswer, {}},
        {"another device", OneWord(), WithCrc({2, 3, 2, 0, 10}), mbcWrongAddr, {}},
        {"another function", OneWord(), WithCrc({1, 4, 2, 0, 10}), mbcWrongFunNumber, {}},
        {"byte count too small", OneWord(), WithCrc({1, 3, 1, 0, 10}), mbcNotEnoughData, {}},
        {"byte count beyond the data", OneWord(), WithCrc({1, 3, 4, 0, 10}), mbcNotEnoughData, {}},
        {"no byte count", OneWord(), WithCrc({1, 3}), mbcNotEnoughData, {}},
        {"single 1.0", Request({4, 1, 0, 0, dtSingle, 1}), WithCrc({1, 4, 4, 0x3F, 0x80, 0, 0}),
         mbcOK, TVariant::Single(1.0f)},
        {"infinite single",
         Request({4, 1, 0, 0, dtSingle, 1}),
         WithCrc({1, 4, 4, 0x7F, 0x80, 0, 0}),
         mbcWrongFloat,
         {}},
        {"second single NaN",
         singles2,
         WithCrc({1, 4, 8, 0x3F, 0x80, 0, 0, 0x7F, 0xC0, 0, 0}),
         mbcWrongFloat,
         {}},
        {"two singles", singles2, WithCrc({1, 4, 8, 0x3F, 0x80, 0, 0, 0xC0, 0, 0, 0}), mbcOK,
         TVariant::Array(vtSingle, {TVariant::Single(1.0f), TVariant::Single(-2.0f)})},
        {"3 bytes in 2 registers", bytes3, WithCrc({1, 3, 4, 7, 8, 9, 0}), mbcOK,
         TVariant::Array(vtByte, {Typed(vtByte, 7), Typed(vtByte, 8), Typed(vtByte, 9)})},
        {"3 bytes need byte count 4", bytes3, WithCrc({1, 3, 3, 7, 8, 9}), mbcNotEnoughData, {}},
        {"adjusted bytes are low bytes", adjusted3, WithCrc({1, 3, 6, 0xAA, 7, 0xBB, 8, 0xCC, 9}),
         mbcOK, TVariant::Array(vtByte, {Typed(vtByte, 7), Typed(vtByte, 8), Typed(vtByte, 9)})},
        {"signed double word", Request({2, 1, 0, 0, dtSignedDoubleWord, 1}),
         WithCrc({1, 3, 4, 0xFF, 0xFF, 0xFF, 0xFE}), mbcOK, Typed(vtInteger, -2)},
        {"write echo",
         Request({3, 1, 0, 10, Typed(vtWord, 1)}),
         WithCrc({1, 16, 0, 10, 0, 1}),
         mbcOK,
         {}},
        {"short write echo",
         Request({3, 1, 0, 10, Typed(vtWord, 1)}),
         WithCrc({1, 16, 0, 10, 0}),
         mbcNotEnoughData,
         {}},
        {"coil echo",
         Request({6, 1, 0, 19, true}, Settings(1, 0, 0, 1)),
         WithCrc({1, 5, 0, 19, 0xFF, 0}),
         mbcOK,
         {}},
        {"9 bits", bits9, WithCrc({1, 1, 2, 0x0D, 0x01}), mbcOK, nine},
        {"9 bits need 2 bytes", bits9, WithCrc({1, 1, 1, 0x0D}), mbcNotEnoughData, {}},
        {"one bit", Request({7, 1, 0, 0, 1}), WithCrc({1, 2, 1, 0xFF}), mbcOK, TVariant(true)},
        {"status", Request({10, 1, 0}), WithCrc({1, 7, 0x6D}), mbcOK, Typed(vtByte, 0x6D)},
        {"status without its byte", Request({10, 1, 0}), WithCrc({1, 7}), mbcNotEnoughData, {}},
        {"diagnostics", Request({11, 1, 0, 0, 0xA537}), WithCrc({1, 8, 0, 0, 0xA5, 0x37}), mbcOK,
         TVariant::Array(vtWord, {Typed(vtWord, 0), Typed(vtWord, 0xA537)})},
        {"exchange", Request({0, 1, 5, 0x41, 0, Arr({})}), WithCrc({5, 0x41, 1, 2}), mbcOK,
         TVariant::Array(vtByte, {Typed(vtByte, 1), Typed(vtByte, 2)})},
        {"broadcast expects nothing", Request({0, 1, 0, 0x41, 0, Arr({})}), {}, mbcOK, {}},
    };
    for (const TAnswerCase& c : cases) {
        TChecked got = Check(c.Request, c.Answer);
        EXPECT_EQ(got.Result, c.Result) << c.Name;
        EXPECT_EQ(got.Value, c.Value) << c.Name << ": " << got.Value.Debug();
    }
}

TEST(CheckAnswer, DeviceExceptionsMapToTheirResults) {
    const std::pair<uint8_t, MBResult> cases[] = {
        {1, mbcIFN}, {2, mbcIDA},  {3, mbcIDV}, {4, mbcSDF},          {5, mbcACK},
        {6, mbcSDB}, {7, mbcNACK}, {8, mbcMPE}, {0, mbcUnknownError}, {9, mbcUnknownError},
    };
    for (auto [code, result] : cases) {
        TChecked got = Check(OneWord(), WithCrc({1, 0x83, code}));
        EXPECT_EQ(got.Result, result) << int(code);
        EXPECT_TRUE(got.Value.IsEmpty());
    }
    // An exception frame without its code byte is too short, not a read beyond the answer.
    EXPECT_EQ(Check(OneWord(), WithCrc({1, 0x83})).Result, mbcNotEnoughData);
    EXPECT_EQ(Check(OneWord(), WithCrc({1, 0x84, 2})).Result, mbcWrongFunNumber);
}

TEST(CheckAnswer, DeviceNameIsCyrillicTextCutAtItsFirstNul) {
    TModbusRequest r = Request({1, 1});
    TChecked name = Check(r, WithCrc({1, 17, 6, 'C', 'O', 0xC4, 0xCA, 0xD1, '5'}));
    EXPECT_EQ(name.Result, mbcOK);
    EXPECT_EQ(name.Value, TVariant("COДКС5"));
    TChecked cut = Check(r, WithCrc({1, 17, 4, 'A', 'B', 0, 'Z'}));
    EXPECT_EQ(cut.Value, TVariant("AB"));
    EXPECT_EQ(Check(r, WithCrc({1, 17, 3, 'A', 'B'})).Result, mbcNotEnoughData);
    EXPECT_EQ(Check(r, WithCrc({1, 17, 0})).Result, mbcOK);
}

TEST(CheckAnswer, AsciiEnvelope) {
    TModbusRequest r = Request({2, 1, 0, 0, dtSignedWord, 1}, Settings(1, mbcASCII));
    TBytes good = AsAscii({1, 3, 2, 0, 10});
    EXPECT_EQ(Check(r, good).Value, Typed(vtSmallint, 10));
    const std::pair<TBytes, MBResult> cases[] = {
        {{}, mbcNoAnswer},
        {Text(":010302000AF0\r\n"), mbcOK},
        {Text(":010302000AF1\r\n"), mbcCheckSumError},
        {Text("010302000AF0\r\n\r"), mbcNotEnoughData},  // no colon
        {Text(":010302000AF0\n\r"), mbcNotEnoughData},   // tail swapped
        {Text(":010302000AF\r\n"), mbcNotEnoughData},    // even length
        {Text(":01F\r\n"), mbcNotEnoughData},            // fewer than 9 characters
        {Text(":0183020\r\n"), mbcNotEnoughData},
        {AsAscii({1, 0x83, 2}), mbcIDA},
        {AsAscii({1, 0x83}), mbcNotEnoughData},
        {AsAscii({2, 3, 2, 0, 10}), mbcWrongAddr},
    };
    for (const auto& [answer, result] : cases)
        EXPECT_EQ(Check(r, answer).Result, result) << std::string(answer.begin(), answer.end());
    // A lower-case letter decodes wrongly, so the LRC no longer agrees.
    EXPECT_EQ(Check(r, Text(":010302000aF0\r\n")).Result, mbcCheckSumError);
}

// Every shortened PDU, given a correct checksum, is refused: the checker never takes
// bytes that are not there.
TEST(CheckAnswer, ShortenedAnswersAreRefusedNotOverread) {
    const std::pair<TModbusRequest, TBytes> answers[] = {
        {OneWord(), {1, 3, 2, 0, 10}},
        {Request({4, 1, 0, 0, dtSingle, 2}), {1, 4, 8, 0x3F, 0x80, 0, 0, 0x3F, 0x80, 0, 0}},
        {Request({5, 1, 0, 0, 9}), {1, 1, 2, 0x0D, 0x01}},
        {Request({1, 1}), {1, 17, 2, 'A', 'B'}},
        {Request({10, 1, 0}), {1, 7, 0x6D}},
        {Request({11, 1, 0, 0, 1}), {1, 8, 0, 0, 0, 1}},
        {Request({3, 1, 0, 10, Typed(vtWord, 1)}), {1, 16, 0, 10, 0, 1}},
        {Request({9, 1, 3, 1, 0, Arr({19, 4})}), {1, 65, 8, 0, 0, 0, 1, 0x3F, 0x80, 0, 0}},
    };
    for (const auto& [request, pdu] : answers) {
        for (uint8_t mode : {mbcRTU, mbcASCII}) {
            TModbusRequest r = request;
            r.Mode = mode;
            auto frame = [&](const TBytes& p) { return mode == mbcRTU ? WithCrc(p) : AsAscii(p); };
            EXPECT_EQ(Check(r, frame(pdu)).Result, mbcOK) << int(pdu[1]);
            for (size_t n = 0; n < pdu.size(); ++n) {
                TChecked got = Check(r, frame(TBytes(pdu.begin(), pdu.begin() + n)));
                EXPECT_NE(got.Result, mbcOK) << int(pdu[1]) << " cut to " << n;
                EXPECT_TRUE(got.Value.IsEmpty());
            }
        }
    }
}

TEST(CheckAnswer, AnswersLongerThanTheFrameBufferAreRefused) {
    TModbusRequest exchange = Request({0, 1, 5, 0x41, 0, Arr({})});
    TBytes big(700, 0x55);
    big[0] = 5;
    big[1] = 0x41;
    EXPECT_EQ(Check(exchange, WithCrc(big)).Result, mbcNotEnoughData);
    exchange.Mode = mbcASCII;
    EXPECT_EQ(Check(exchange, AsAscii(big)).Result, mbcNotEnoughData);
}

}  // namespace
}  // namespace trelon::test
