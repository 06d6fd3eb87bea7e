// The link's pure rules as tables: search addresses, identification by the version in the
// name answer, values written to devices, result texts, port names, QIDs.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>

#include "address_parser.h"
#include "device_kind.h"
#include "link_codes.h"
#include "new_variant.h"
#include "port_names.h"
#include "query_table.h"
#include "run_options.h"

namespace trelon::wizard {
namespace {

TEST(AddressParser, Cases) {
    struct TCase {
        const char* Text;
        bool Ok;
        std::vector<int> Addresses;
    };
    const TCase cases[] = {
        {"3-5", true, {3, 4, 5}},
        {"1,2,5-7", true, {1, 2, 5, 6, 7}},
        {"  1,3-5 ", true, {1, 3, 4, 5}},
        {"5-3", true, {}},  // an empty range is no error
        {"", true, {}},
        {"   ", true, {}},
        {"1,", true, {1}},
        {"7-7,2", true, {7, 2}},
        {"1,247", true, {1, 247}},
        {"1, 2", false, {}},  // a blank after the comma
        {"1-", false, {}},
        {"a", false, {}},
        {",1", false, {}},
        {"1;2", false, {}},
        {"3-5x7", false, {}},  // text after a range
        {"3-5-7", false, {}},
        {"0", false, {}},  // outside 1 to 247
        {"248", false, {}},
        {"1-248", false, {}},
        {"99999999999999999999", false, {}},
        {"-5", false, {}},
    };
    for (const TCase& c : cases) {
        const TAddressList list = ParseAddresses(QString::fromUtf8(c.Text));
        EXPECT_EQ(list.Ok, c.Ok) << c.Text;
        EXPECT_EQ(list.Addresses, c.Addresses) << c.Text;
    }
}

TEST(DeviceKind, IdentifiedByTheLastVersionPattern) {
    struct TCase {
        const char* Answer;
        TDeviceKind Kind;
    };
    const TCase cases[] = {
        {"ЗРТ-ИМР 64.08.01.02 ", dkImr},
        {"ЗРТ-ИПТ 64.10.00.03 ", dkIpt},
        {"ЗРТ-УСИ 64.09.02.01 ", dkUsi},
        {"ОДКС-512 76.02.01.07 rev", dkFlowmeter},
        {"76.00.00.00x", dkFlowmeter},  // the pattern may start the answer
        {"64.08.99.99!", dkImr},        // only the first two groups decide
        {"08.64.01.02 ", dkUnknown},
        {"64.11.01.02 ", dkUnknown},
        {"65.08.01.02 ", dkUnknown},
        {"ЗРТ-ИМР 64.08.01.02", dkUnknown},  // nothing after the last group
        {"76.00.00.00", dkUnknown},
        {"64.08.01.02 76.01.01.01 ", dkFlowmeter},  // the last pattern decides
        {"76.01.01.01 64.10.01.01 ", dkIpt},
        {"64.08.01.02 7x.01.01.01 ", dkImr},  // a group that is no number is skipped
        {"6 .08.01.02 ", dkUnknown},
        {"", dkUnknown},
        {"Прибор без версии", dkUnknown},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(IdentifyKind(QString::fromUtf8(c.Answer)), c.Kind) << c.Answer;
}

TEST(DeviceKind, TextsAndLimitsCountCharacters) {
    EXPECT_EQ(DeviceTypeName(dkImr, 3), QStringLiteral("ЗРТ-ИМР 3"));
    EXPECT_EQ(DeviceTypeName(dkUnknown, 7), QStringLiteral("??? 7"));
    EXPECT_EQ(DeviceTypeName(dkFlowmeter, 247), QStringLiteral("Расходомер 247"));
    EXPECT_EQ(KindName(9), QStringLiteral("???"));
    // Fifteen Cyrillic characters are 30 bytes of UTF-8: the limit is in characters.
    const QString cyrillic = QStringLiteral("АБВГДЕЖЗИКЛМНОПРСТУФ");
    EXPECT_EQ(LeftChars(cyrillic, kTypeNameLength).size(), 15);
    // A character outside the basic plane is never split.
    const QString wide = QStringLiteral("a") + QString::fromUcs4(U"\U0001F600") + u'b';
    EXPECT_EQ(LeftChars(wide, 2), wide.left(3));
    EXPECT_EQ(CutAtNul(QString::fromUtf8("ИМР\0 64.08.01.02 ", 21)), QStringLiteral("ИМР"));
}

TEST(NewVariant, TypeCodesAndRanges) {
    struct TCase {
        double Value;
        int Code;
        bool Made;
        uint16_t Type;
        int64_t Raw;
    };
    const TCase cases[] = {
        {40000, 18, true, vtWord, 40000},  // a word above 32767 stays unsigned
        {65535, 18, true, vtWord, 65535},
        {65536, 18, false, 0, 0},
        {-1, 18, false, 0, 0},
        {-32768, 2, true, vtSmallint, -32768},
        {32768, 2, false, 0, 0},
        {4294967295.0, 19, true, vtLongWord, 4294967295LL},
        {-1, 19, false, 0, 0},
        {-2147483648.0, 3, true, vtInteger, -2147483648LL},
        {2147483648.0, 3, false, 0, 0},
        {255, 17, true, vtByte, 255},
        {256, 17, false, 0, 0},
        {-128, 16, true, vtShortInt, -128},
        {2.5, 18, true, vtWord, 2},  // halves to even
        {3.5, 18, true, vtWord, 4},
        {7, 11, true, vtBoolean, 1},
        {0, 11, true, vtBoolean, 0},
        {1, 8, false, 0, 0},  // no such register format
        {NAN, 4, false, 0, 0},
        {1e40, 4, false, 0, 0},
    };
    for (const TCase& c : cases) {
        std::optional<TVariant> v = NewVariant(c.Value, c.Code);
        ASSERT_EQ(v.has_value(), c.Made) << c.Value << " as " << c.Code;
        if (!v) continue;
        EXPECT_EQ(v->Type(), c.Type) << c.Value << " as " << c.Code;
        EXPECT_EQ(v->RawInt(), c.Raw) << c.Value << " as " << c.Code;
    }
    std::optional<TVariant> single = NewVariant(0.1, 4);
    ASSERT_TRUE(single);
    EXPECT_EQ(single->Type(), vtSingle);
    EXPECT_EQ(float(single->RawReal()), 0.1f);
    std::optional<TVariant> dbl = NewVariant(0.1, 5);
    ASSERT_TRUE(dbl);
    EXPECT_EQ(dbl->Type(), vtDouble);
    EXPECT_EQ(dbl->RawReal(), 0.1);
}

TEST(ResultText, EveryCode) {
    EXPECT_EQ(ResultText(0), QStringLiteral("Ок"));
    EXPECT_EQ(ResultText(1), QStringLiteral("Прибор не отвечает"));
    EXPECT_EQ(ResultText(11), QStringLiteral("Недопустимый адрес данных"));
    EXPECT_EQ(ResultText(16), QStringLiteral("Недостаточно данных"));
    for (int code : {14, 17, 18, 19, -1, 100})
        EXPECT_EQ(ResultText(code), QStringLiteral("Неизвестная ошибка")) << code;
    for (int code = 0; code <= 16; ++code) {
        if (code == 14) continue;
        EXPECT_NE(ResultText(code), QStringLiteral("Неизвестная ошибка")) << code;
    }
}

TEST(PortNames, OldNamesAndPaths) {
    EXPECT_EQ(PortPath(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(PortPath(QStringLiteral(" com12 ")), QStringLiteral("/dev/ttyS11"));
    EXPECT_EQ(PortPath(QStringLiteral("/dev/ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(PortPath(QStringLiteral("COM0")), QStringLiteral("COM0"));
    EXPECT_EQ(PortFromSetting(QStringLiteral("0")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(PortFromSetting(QStringLiteral("3")), QStringLiteral("/dev/ttyS3"));
    EXPECT_EQ(PortFromSetting(QStringLiteral("COM2")), QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(PortFromSetting(QStringLiteral("/tmp/lineA")), QStringLiteral("/tmp/lineA"));
}

TEST(PortNames, SystemPortsAreTtysWithADevice) {
    QTemporaryDir sys;
    QDir dir(sys.path());
    for (const char* name : {"ttyS0", "ttyUSB0", "tty1", "ptmx"}) dir.mkpath(name);
    dir.mkpath(QStringLiteral("ttyS0/device"));
    dir.mkpath(QStringLiteral("ttyUSB0/device"));
    EXPECT_EQ(SystemSerialPorts(sys.path()),
              QStringList({QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0")}));
}

TEST(QueryTable, QidsAreNeverGivenTwice) {
    TQueryTable table;
    EXPECT_EQ(table.Register(nullptr, QStringLiteral("Информация о приборе"), true), 0);
    EXPECT_EQ(table.Register(nullptr, QStringLiteral("Расход"), false), 1);
    EXPECT_EQ(table.Register(nullptr, QString(60, u'Ж'), true), 2);
    EXPECT_EQ(table.Find(2)->Description.size(), kDescriptionLength);
    EXPECT_FALSE(table.Find(1)->Logged);
    EXPECT_EQ(table.CutToFirst(), (std::vector<int>{1, 2}));
    EXPECT_EQ(table.Find(1), nullptr);
    ASSERT_NE(table.Find(0), nullptr);
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(table.Register(nullptr, QStringLiteral("Режим"), true), 3);
    EXPECT_EQ(table.Registered(), 4);
    EXPECT_EQ(table.Find(-1), nullptr);
}

TEST(RunOptions, FirstPort) {
    QString error;
    int exitCode = -1;
    auto options = ParseRunOptions(
        {QStringLiteral("metrovik"), QStringLiteral("--port"), QStringLiteral("/tmp/lineA")}, error,
        exitCode);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->FirstPort, QStringLiteral("/tmp/lineA"));
    options = ParseRunOptions({QStringLiteral("metrovik")}, error, exitCode);
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->FirstPort.isEmpty());
}

}  // namespace
}  // namespace trelon::wizard
