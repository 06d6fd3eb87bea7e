// The automation bus end to end: a private bus, the server started as a user's client
// would start it, and clients in this process and in other processes.
#include <gtest/gtest.h>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <memory>

#include "bus/server_proxy.h"
#include "bus/wire_value.h"
#include "factory_proxy.h"
#include "private_bus.h"
#include "tick_receiver.h"

namespace trelon {
namespace {

using test::TPrivateBus;
using test::WaitUntil;

const QString kServer = QStringLiteral("TrelonSrv.Server");
const QString kFactoryIface = QStringLiteral("TrelonSrv.Factory");
const QString kTestIface = QStringLiteral("TrelonSrv.ITestObject");
const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

// A hand-made wire value with any signature inside, for malformed input.
struct TRawBound {
    int Low, Count;
};

}  // namespace
}  // namespace trelon

Q_DECLARE_METATYPE(trelon::TRawBound)

namespace trelon {
namespace {

QDBusArgument& operator<<(QDBusArgument& a, const TRawBound& b) {
    a.beginStructure();
    a << b.Low << b.Count;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, TRawBound& b) {
    a.beginStructure();
    a >> b.Low >> b.Count;
    a.endStructure();
    return a;
}

QVariant RawValue(quint16 code, const QVariant& payload) {
    QDBusArgument a;
    a.beginStructure();
    a << code << QDBusVariant(payload);
    a.endStructure();
    return QVariant::fromValue(a);
}

QVariant RawArray(const QList<TRawBound>& bounds, const QVariantList& elems) {
    QDBusArgument a;
    a.beginStructure();
    a.beginArray(QMetaType::fromType<TRawBound>());
    for (const TRawBound& b : bounds) a << b;
    a.endArray();
    a.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const QVariant& e : elems) a << QDBusVariant(e);
    a.endArray();
    a.endStructure();
    return QVariant::fromValue(a);
}

class BusTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        RegisterWireTypes();
        qDBusRegisterMetaType<TRawBound>();
        bus_ = new TPrivateBus(test::TestHostServiceDir());
    }
    static void TearDownTestSuite() {
        bus_->KillOwnerOf(kServer);
        delete bus_;
    }
    void SetUp() override { client_ = bus_->Connect(QStringLiteral("client")); }

    QDBusMessage Call(const QDBusConnection& c, const QString& path, const QString& iface,
                      const QString& member, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(kServer, path, iface, member);
        m.setArguments(args);
        return c.call(m, QDBus::Block, 20000);
    }
    QDBusMessage Echo(const QVariant& raw) {
        return Call(client_, "/TrelonSrv", kFactoryIface, "Echo", {raw});
    }
    int ObjectCount() {
        QDBusMessage r = Call(client_, "/TrelonSrv", "org.freedesktop.DBus.Properties", "Get",
                              {kFactoryIface, "ObjectCount"});
        return r.arguments().value(0).value<QDBusVariant>().variant().toInt();
    }
    QString Create(const QDBusConnection& c, const QString& progId = "TrelonSrv.TestObject") {
        QDBusMessage r = Call(c, "/TrelonSrv", kFactoryIface, "CreateObject", {progId});
        EXPECT_EQ(r.type(), QDBusMessage::ReplyMessage) << r.errorMessage().toStdString();
        return r.arguments().value(0).value<QDBusObjectPath>().path();
    }

    static TPrivateBus* bus_;
    QDBusConnection client_{QString()};
};

TPrivateBus* BusTest::bus_ = nullptr;

TEST_F(BusTest, EchoRoundTripsEveryKindUnchanged) {
    TVariant lowBounds = TVariant::Array(vtInteger, std::vector<TVarBound>{{-3, 3}});
    lowBounds[-3] = TVariant(-7);
    lowBounds[-1] = TVariant(INT32_MIN);
    TVariant matrix = TVariant::Array(vtSingle, std::vector<TVarBound>{{1, 2}, {5, 3}});
    matrix.At(2, 7) = TVariant::Single(-0.5f);
    TVariant nested = TVariant::Array(
        vtVariant, {TVariant("вложенный"), lowBounds, TVariant::Array(vtVariant, {matrix})});
    const TVariant cases[] = {
        TVariant(),
        TVariant::Null(),
        TVariant::OfInt(vtSmallint, -32768),
        TVariant(-123456),
        TVariant::Single(0.1f),
        TVariant(0.1),
        TVariant::Currency(-12345678),
        TVariant::Date(46000.75),
        TVariant(std::string()),
        TVariant("Расход: Ок"),
        TVariant::Error(kParamNotFound),
        TVariant(true),
        TVariant::OfInt(vtShortInt, -128),
        TVariant::OfInt(vtByte, 255),
        TVariant::OfInt(vtWord, 65535),
        TVariant::OfUInt(vtLongWord, 0xFFFFFFFFu),
        TVariant::OfInt(vtInt64, INT64_MIN),
        TVariant::OfUInt(vtUInt64, UINT64_MAX),
        TVariant::Array(vtByte, std::vector<TVarBound>{{0, 0}}),
        lowBounds,
        matrix,
        nested,
    };
    TFactoryProxy factory(kServer, "/TrelonSrv", client_);
    for (const TVariant& v : cases) {
        SCOPED_TRACE(v.Debug());
        QDBusPendingReply<TVariant> r = factory.Echo(v);
        r.waitForFinished();
        ASSERT_FALSE(r.isError()) << r.error().message().toStdString();
        EXPECT_TRUE(r.value() == v) << r.value().Debug();
    }
}

TEST_F(BusTest, MalformedValuesGetInvalidArgsAndChangeNothing) {
    const struct {
        const char* What;
        QVariant Arg;
    } cases[] = {
        {"integer code with a string payload", RawValue(3, QString("x"))},
        {"single code with an integer payload", RawValue(4, 1)},
        {"unknown type code", RawValue(9, false)},
        {"fewer elements than the bounds", RawValue(0x2003, RawArray({{0, 3}}, {1, 2}))},
        {"more elements than the bounds", RawValue(0x2003, RawArray({{0, 1}}, {1, 2}))},
        {"three dimensions", RawValue(0x2003, RawArray({{0, 1}, {0, 1}, {0, 1}}, {1}))},
        {"no dimensions", RawValue(0x2003, RawArray({}, {}))},
        {"negative count", RawValue(0x2003, RawArray({{0, -1}}, {}))},
        {"high bound above the index range", RawValue(0x2003, RawArray({{INT32_MAX, 2}}, {1, 2}))},
        {"high bound below the index range", RawValue(0x2003, RawArray({{INT32_MIN, 0}}, {}))},
        {"element of another type", RawValue(0x2002, RawArray({{0, 1}}, {1}))},
        {"array payload that is not (a(ii)av)", RawValue(0x2003, 5)},
        {"array of values holding a bare integer", RawValue(0x200C, RawArray({{0, 1}}, {1}))},
        {"bad element type", RawValue(0x2000, RawArray({{0, 1}}, {false}))},
        {"a string instead of (qv)", QVariant(QString("hello"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        QDBusMessage r = Echo(c.Arg);
        EXPECT_EQ(r.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(r.errorName(), kInvalidArgs) << r.errorMessage().toStdString();
        QDBusMessage ok = Echo(QVariant::fromValue(ToWire(TVariant(42))));
        ASSERT_EQ(ok.type(), QDBusMessage::ReplyMessage);
    }
}

// Resident memory of a process in KiB, from /proc.
long ResidentKiB(uint pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Refusing a value part-way through an array must release its message: each one here
// carries 1 MiB, so a message kept would show in the server's memory many times over.
TEST_F(BusTest, RefusedValuesLeaveNoMemoryBehind) {
    const QVariant refused = RawValue(0x2008, RawArray({{0, -1}}, {QString(1 << 20, 'x')}));
    auto refuse = [&](int times) {
        for (int k = 0; k < times; ++k) ASSERT_EQ(Echo(refused).errorName(), kInvalidArgs);
    };
    refuse(4);
    uint pid = bus_->OwnerPid(kServer);
    long before = ResidentKiB(pid);
    ASSERT_GT(before, 0);
    refuse(48);
    EXPECT_LT(ResidentKiB(pid) - before, 16 * 1024);
}

TEST_F(BusTest, ObjectsServeOnlyTheirOwner) {
    QDBusConnection other = bus_->Connect(QStringLiteral("other"));
    ASSERT_TRUE(WaitUntil([&] { return ObjectCount() == 0; }));
    const QString path = Create(client_);
    EXPECT_TRUE(path.startsWith("/TrelonSrv/TestObject/")) << path.toStdString();
    EXPECT_EQ(ObjectCount(), 1);

    for (const char* member : {"Unhold", "Release"}) {
        QString iface = QString(member) == "Release" ? "TrelonSrv.Object" : kTestIface;
        QDBusMessage denied = Call(other, path, iface, member);
        EXPECT_EQ(denied.errorName(), "org.freedesktop.DBus.Error.AccessDenied");
    }
    QDBusMessage prop =
        Call(other, path, "org.freedesktop.DBus.Properties", "Get", {kTestIface, "Label"});
    EXPECT_EQ(prop.errorName(), "org.freedesktop.DBus.Error.AccessDenied");
    EXPECT_EQ(ObjectCount(), 1);

    EXPECT_EQ(Call(client_, path, "TrelonSrv.Object", "Release").type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(ObjectCount(), 0);
    EXPECT_EQ(Call(client_, path, kTestIface, "Unhold").errorName(),
              "org.freedesktop.DBus.Error.UnknownObject");
    // Numbers are never reused.
    const QString next = Create(client_);
    EXPECT_NE(next, path);
    EXPECT_GT(next.section('/', -1).toInt(), path.section('/', -1).toInt());
}

TEST_F(BusTest, ObjectsOfAKilledClientAreReleased) {
    ASSERT_TRUE(WaitUntil([&] { return ObjectCount() == 0; }));
    QProcess holder;
    holder.start("/usr/bin/python3", {QString(TRELON_TEST_SOURCE_DIR) + "/bus/hold_objects.py",
                                      "TrelonSrv.TestObject", "3"});
    ASSERT_TRUE(holder.waitForStarted());
    QByteArray out;
    ASSERT_TRUE(WaitUntil([&] {
        out += holder.readAllStandardOutput();
        return holder.state() != QProcess::Running || out.contains("ready");
    }));
    ASSERT_EQ(holder.state(), QProcess::Running) << holder.readAllStandardError().toStdString();
    EXPECT_EQ(ObjectCount(), 3);
    holder.kill();
    holder.waitForFinished();
    EXPECT_TRUE(WaitUntil([&] { return ObjectCount() == 0; })) << ObjectCount();
}

TEST_F(BusTest, EventsFiredFromThreadsReachTheOwnerInOrder) {
    const QString path = Create(client_);
    test::TTickReceiver ticks;
    ASSERT_TRUE(client_.connect(kServer, path, "TrelonSrv.ITestObjectEvents", "Tick", &ticks,
                                SLOT(Tick(int))));
    // Another client listening to everything sees none of them: the events are unicast.
    QDBusConnection other = bus_->Connect(QStringLiteral("listener"));
    test::TTickReceiver stray;
    other.connect(QString(), path, "TrelonSrv.ITestObjectEvents", "Tick", &stray, SLOT(Tick(int)));
    const int count = 3000;
    EXPECT_EQ(Call(client_, path, kTestIface, "Fire", {count}).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(WaitUntil([&] { return ticks.Seen.size() == count; })) << ticks.Seen.size();
    for (int k = 0; k < count; ++k) ASSERT_EQ(ticks.Seen[k], k);
    Echo(QVariant::fromValue(ToWire(TVariant(1))));  // anything stray has arrived by now
    EXPECT_TRUE(stray.Seen.empty());
}

TEST_F(BusTest, AWaitingMemberDoesNotHoldUpOtherCalls) {
    const QString path = Create(client_);
    QDBusMessage hold = QDBusMessage::createMethodCall(kServer, path, kTestIface, "Hold");
    hold << 7;
    QDBusPendingCall pending = client_.asyncCall(hold);
    // The held call has reached the server before this one.
    EXPECT_EQ(Echo(QVariant::fromValue(ToWire(TVariant(5)))).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(ObjectCount(), 1);
    EXPECT_FALSE(pending.isFinished());
    Call(client_, path, kTestIface, "Unhold");
    pending.waitForFinished();
    EXPECT_EQ(pending.reply().arguments().value(0).toInt(), 7);
}

TEST_F(BusTest, PropertiesAndFailures) {
    const QString path = Create(client_);
    auto set = [&](const char* name, const QVariant& v) {
        return Call(client_, path, "org.freedesktop.DBus.Properties", "Set",
                    {kTestIface, name, QVariant::fromValue(QDBusVariant(v))});
    };
    auto get = [&](const char* name) {
        return Call(client_, path, "org.freedesktop.DBus.Properties", "Get", {kTestIface, name})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant();
    };
    EXPECT_EQ(set("Label", QString("Привет")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(get("Label").toString(), "Привет");
    EXPECT_EQ(set("Label", 5).errorName(), kInvalidArgs);
    EXPECT_EQ(get("Label").toString(), "Привет");

    TVariant m = TVariant::Array(vtWord, std::vector<TVarBound>{{0, 2}, {0, 2}});
    m.At(1, 1) = TVariant::OfInt(vtWord, 40000);
    EXPECT_EQ(set("Value", QVariant::fromValue(ToWire(m))).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(FromArg(get("Value")) == m);
    EXPECT_EQ(set("Value", RawValue(3, QString("x"))).errorName(), kInvalidArgs);
    EXPECT_TRUE(FromArg(get("Value")) == m);

    QDBusMessage ro = Call(client_, "/TrelonSrv", "org.freedesktop.DBus.Properties", "Set",
                           {kFactoryIface, "ObjectCount", QVariant::fromValue(QDBusVariant(3))});
    EXPECT_EQ(ro.errorName(), "org.freedesktop.DBus.Error.PropertyReadOnly");

    QDBusMessage failed = Call(client_, path, kTestIface, "Fail", {QString("mi is nil")});
    EXPECT_EQ(failed.errorName(), "TrelonSrv.Error");
    EXPECT_EQ(failed.errorMessage(), "mi is nil");
    EXPECT_EQ(get("Label").toString(), "Привет");  // the object stays usable
}

TEST_F(BusTest, ActivatedServerEndsAfterItsLastObjectGoes) {
    auto owned = [&] { return client_.interface()->isServiceRegistered(kServer).value(); };
    ASSERT_TRUE(WaitUntil([&] { return !owned(); }, 60000));  // an earlier one ended
    const QString path = Create(client_);                     // activates the server
    const uint pid = bus_->OwnerPid(kServer);
    ASSERT_NE(pid, 0u);
    Call(client_, path, "TrelonSrv.Object", "Release");
    EXPECT_TRUE(WaitUntil([&] { return !owned() && ::kill(pid_t(pid), 0) != 0; }));
}

class HandStartedServer : public BusTest {
  protected:
    void SetUp() override {
        BusTest::SetUp();
        auto owned = [&] { return client_.interface()->isServiceRegistered(kServer).value(); };
        ASSERT_TRUE(WaitUntil([&] { return !owned(); }, 60000));
        server_.start(test::BinDir() + "/trelon_test_host");
        ASSERT_TRUE(WaitUntil(owned));
    }
    void TearDown() override {
        server_.kill();
        server_.waitForFinished();
    }
    QProcess server_;
};

TEST_F(HandStartedServer, StaysAfterLastReleaseAndEndsInOrderOnSigterm) {
    const QString path = Create(client_);
    Call(client_, path, "TrelonSrv.Object", "Release");
    EXPECT_FALSE(server_.waitForFinished(2500));  // longer than an activated server's grace
    Create(client_);
    server_.terminate();  // SIGTERM
    ASSERT_TRUE(server_.waitForFinished(10000));
    EXPECT_EQ(server_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server_.exitCode(), 0);
}

TEST_F(HandStartedServer, ASecondServerEndsAtOnceAndLeavesTheFirst) {
    QProcess second;
    second.start(test::BinDir() + "/trelon_test_host");
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("taken"));
    EXPECT_EQ(server_.state(), QProcess::Running);
    EXPECT_FALSE(Create(client_).isEmpty());
}

TEST_F(BusTest, ClientProxyCreatesReleasesAndNoticesServerLoss) {
    ASSERT_TRUE(WaitUntil([&] { return ObjectCount() == 0; }));
    {
        TServerObject obj(client_);
        obj.Create("TrelonSrv.TestObject");
        obj.SetProperty(kTestIface, "Label", QString("x"));
        EXPECT_EQ(obj.Property(kTestIface, "Label").toString(), "x");
        try {
            obj.Call(kTestIface, "Fail", {QString("boom")});
            ADD_FAILURE() << "no error";
        } catch (const TBusError& e) {
            EXPECT_EQ(e.Name(), "TrelonSrv.Error");
            EXPECT_EQ(e.Text(), "boom");
        }
        EXPECT_EQ(ObjectCount(), 1);
    }
    EXPECT_EQ(ObjectCount(), 0);  // released with the proxy

    TServerObject obj(client_);
    obj.Create("TrelonSrv.TestObject");
    test::TTickReceiver ticks;
    ASSERT_TRUE(obj.ConnectEvent("TrelonSrv.ITestObjectEvents", "Tick", &ticks, SLOT(Tick(int))));
    obj.Call(kTestIface, "Fire", {3});
    ASSERT_TRUE(WaitUntil([&] { return ticks.Seen.size() == 3; }));
    bool lost = false;
    QObject::connect(&obj, &TServerObject::ServerLost, [&] { lost = true; });
    bus_->KillOwnerOf(kServer);
    EXPECT_TRUE(WaitUntil([&] { return lost; }));
    EXPECT_FALSE(obj.IsCreated());
}

TEST_F(BusTest, TheDocumentedPythonExampleWorks) {
    QProcess example;
    example.start("/usr/bin/python3", {QString(TRELON_SOURCE_DIR) + "/docs/automation_example.py",
                                       "--class", "TrelonSrv.TestObject"});
    ASSERT_TRUE(example.waitForFinished(60000));
    const QString out = QString::fromUtf8(example.readAllStandardOutput());
    EXPECT_EQ(example.exitCode(), 0) << example.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains("Echo of a string: 8 Привет")) << out.toStdString();
    EXPECT_TRUE(out.contains("bounds [(1, 3)] elements [10, -20, 30]")) << out.toStdString();
    EXPECT_TRUE(out.contains("Created /TrelonSrv/TestObject/")) << out.toStdString();
    EXPECT_TRUE(out.contains("Released; objects on the server: 0")) << out.toStdString();
}

// The real server binary, activated by its own service file.
TEST(ServerBinary, FirstCallActivatesItAndOffersItsClasses) {
    RegisterWireTypes();
    TPrivateBus bus(test::ServerServiceDir());
    QDBusConnection c = bus.Connect("client");
    TFactoryProxy factory(kServer, "/TrelonSrv", c);
    QDBusPendingReply<TVariant> echo = factory.Echo(TVariant("ping"));
    echo.waitForFinished();
    ASSERT_FALSE(echo.isError()) << echo.error().message().toStdString();
    EXPECT_EQ(echo.value().ToText(), "ping");
    QDBusPendingReply<QDBusObjectPath> mb = factory.CreateObject("TrelonSrv.MBComMaster");
    mb.waitForFinished();
    EXPECT_EQ(mb.value().path(), "/TrelonSrv/MBComMaster/1") << mb.error().message().toStdString();
    for (const char* progId :
         {"TrelonSrv.BBComMaster", "TrelonSrv.AnyMaster", "TrelonSrv.AnyTransport", "Nonsense"}) {
        QDBusPendingReply<QDBusObjectPath> r = factory.CreateObject(progId);
        r.waitForFinished();
        EXPECT_EQ(r.error().name(), "TrelonSrv.Error.ClassNotRegistered") << progId;
    }
    bus.KillOwnerOf(kServer);
}

// With no activation file, the client starts the server found beside its own program.
TEST(ServerBinary, ClientStartsTheServerBesideItselfWithoutActivation) {
    TPrivateBus bus{QString()};
    QDBusConnection c = bus.Connect("client");
    TServerObject obj(c);
    try {
        obj.Create("TrelonSrv.AnyTransport");
        ADD_FAILURE() << "class is not built yet";
    } catch (const TBusError& e) {
        EXPECT_EQ(e.Name(), "TrelonSrv.Error.ClassNotRegistered") << e.what();
    }
    EXPECT_NE(bus.OwnerPid(kServer), 0u);
    bus.KillOwnerOf(kServer);
}

}  // namespace
}  // namespace trelon
