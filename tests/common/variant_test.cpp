#include "variant.h"

#include <gtest/gtest.h>

#include <cmath>

namespace trelon {
namespace {

TEST(Variant, CopiesAreDeep) {
    TVariant a = TVariant::Array(vtVariant, {TVariant(1), TVariant("x")});
    TVariant b = a;
    b[0] = TVariant(2);
    b[1] = TVariant::Array(vtInteger, {TVariant(7)});
    EXPECT_EQ(a[0].ToInt(), 1);
    EXPECT_EQ(a[1].ToText(), "x");
    EXPECT_FALSE(a == b);
}

TEST(Variant, TypedConstructorsCutToWidth) {
    EXPECT_EQ(TVariant::OfInt(vtByte, 300).RawInt(), 44);
    EXPECT_EQ(TVariant::OfInt(vtShortInt, 200).RawInt(), -56);
    EXPECT_EQ(TVariant::OfInt(vtWord, -1).RawInt(), 65535);
    EXPECT_EQ(TVariant::OfUInt(vtLongWord, 0xFFFFFFFFu).ToDouble(), 4294967295.0);
    EXPECT_THROW(TVariant::OfInt(vtString, 1), EVariantError);
}

struct TConversion {
    TVariant Value;
    int64_t Int;
    bool Bool;
    double Real;
    const char* Text;
};

TEST(Variant, ConversionsTable) {
    const TConversion cases[] = {
        {TVariant(), 0, false, 0.0, ""},
        {TVariant(42), 42, true, 42.0, "42"},
        {TVariant::OfInt(vtSmallint, -5), -5, true, -5.0, "-5"},
        {TVariant(true), -1, true, -1.0, "True"},
        {TVariant(false), 0, false, 0.0, "False"},
        {TVariant(2.5), 2, true, 2.5, "2.5"},  // banker's rounding, as the automation system
        {TVariant(3.5), 4, true, 3.5, "3.5"},
        {TVariant::Single(0.1f), 0, true, double(0.1f), "0.1"},
        {TVariant(" 17 "), 17, true, 17.0, " 17 "},
        {TVariant("0x1F"), 31, true, 31.0, "0x1F"},
        {TVariant("1,5"), 2, true, 1.5, "1,5"},
        {TVariant::Currency(12345), 1, true, 1.2345, "1.2345"},
    };
    for (const TConversion& c : cases) {
        SCOPED_TRACE(c.Value.Debug());
        EXPECT_EQ(c.Value.ToInt64(), c.Int);
        EXPECT_EQ(c.Value.ToBool(), c.Bool);
        if (std::string(c.Text) != "0x1F") {
            EXPECT_DOUBLE_EQ(c.Value.ToDouble(), c.Real);
        }
        EXPECT_EQ(c.Value.ToText(), c.Text);
    }
}

TEST(Variant, ImpossibleConversionsRaise) {
    EXPECT_THROW(TVariant("abc").ToInt(), EVariantError);
    EXPECT_THROW(TVariant("abc").ToBool(), EVariantError);
    EXPECT_THROW(TVariant::Null().ToInt(), EVariantError);
    EXPECT_THROW(TVariant::Error(5).ToDouble(), EVariantError);
    EXPECT_THROW(TVariant::Array(vtInteger, {TVariant(1)}).ToInt(), EVariantError);
    EXPECT_THROW(TVariant(1e30).ToInt(), EVariantError);
    EXPECT_THROW(TVariant(std::nan("")).ToInt64(), EVariantError);
    // Dates beyond 0001-01-01 .. 9999-12-31 have no text; Debug still shows them.
    for (double days : {6e199, -693594.0, 2958466.0, std::nan(""), HUGE_VAL}) {
        EXPECT_THROW(TVariant::Date(days).ToText(), EVariantError) << days;
        EXPECT_EQ(TVariant::Date(days).Debug(), "7:?");
    }
    EXPECT_EQ(TVariant::Date(2958465.5).ToText(), "31.12.9999 12:00:00");
    EXPECT_NO_THROW(TVariant::Date(-693593.0).ToText());
}

TEST(Variant, ArraysWithBounds) {
    TVariant a = TVariant::Array(vtSmallint, std::vector<TVarBound>{{-2, 3}});
    EXPECT_EQ(a.LowBound(), -2);
    EXPECT_EQ(a.HighBound(), 0);
    a[-2] = TVariant::OfInt(vtSmallint, 9);
    EXPECT_EQ(a.Items()[0].ToInt(), 9);
    EXPECT_THROW(a[1], EVariantError);
    EXPECT_THROW(a[-3], EVariantError);

    TVariant m = TVariant::Array(vtDouble, std::vector<TVarBound>{{1, 2}, {0, 3}});
    m.At(2, 1) = TVariant(5.0);
    EXPECT_EQ(m.Items()[4].ToDouble(), 5.0);  // last index varies fastest
    EXPECT_THROW(m[1], EVariantError);
    EXPECT_THROW(TVariant::Array(vtInteger, std::vector<TVarBound>{{0, 1}, {0, 1}, {0, 1}}),
                 EVariantError);

    // Bounds at the ends of the index range; a high bound beyond it is refused.
    EXPECT_EQ(TVariant::Array(vtByte, std::vector<TVarBound>{{INT32_MAX, 1}}).HighBound(),
              INT32_MAX);
    EXPECT_EQ(TVariant::Array(vtByte, std::vector<TVarBound>{{INT32_MIN + 1, 0}}).HighBound(),
              INT32_MIN);
    for (TVarBound beyond : {TVarBound{INT32_MAX, 2}, TVarBound{INT32_MIN, 0}, TVarBound{0, -1}})
        EXPECT_THROW(TVariant::Array(vtByte, std::vector<TVarBound>{beyond}), EVariantError);
}

TEST(Variant, OmittedParameter) {
    EXPECT_TRUE(TVariant::Omitted().IsOmitted());
    EXPECT_FALSE(TVariant::Error(1).IsOmitted());
}

}  // namespace
}  // namespace trelon
