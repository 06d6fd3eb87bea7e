// The link setup page against the real server: devices answering through libmodbus on a
// virtual serial line, the server started by hand on a private bus. A search finds the four
// device kinds; a removed port renumbers the others; the window closed and opened again
// gets its ports and devices back from the settings file and reopens the port.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "device_kind.h"
#include "link_fixture.h"
#include "modbus_bench_slave.h"
#include "port_frm.h"
#include "sys_frm.h"
#include "virtual_line.h"

namespace trelon::wizard::test {
namespace {

using trelon::test::WaitUntil;

const QStringList kRigRows = {QStringLiteral("1|ОДКС-512 76.02.01.07|Расходомер 1|%1"),
                              QStringLiteral("3|ЗРТ-ИМР 64.08.01.02-|ЗРТ-ИМР 3|%1"),
                              QStringLiteral("4|ЗРТ-ИПТ 64.10.00.03-|ЗРТ-ИПТ 4|%1"),
                              QStringLiteral("5|ЗРТ-УСИ 64.09.02.01-|ЗРТ-УСИ 5|%1")};

QStringList RigRows(int port) {
    QStringList rows;
    for (const QString& row : kRigRows) rows << row.arg(port);
    return rows;
}

class RigLink : public ::testing::Test {
  protected:
    void SetUp() override {
        LinkBus({});
        TLineOptions options;
        options.Directory = dir_.path().toStdString();
        line_ = std::make_unique<TVirtualLine>(options);
        slave_ = std::make_unique<TModbusBenchSlave>(
            line_->Path(TEnd::B).string(), 9600,
            std::map<int, std::string>{{1, "ОДКС-512 76.02.01.07 rev"},
                                       {3, "ЗРТ-ИМР 64.08.01.02-1"},
                                       {4, "ЗРТ-ИПТ 64.10.00.03-1"},
                                       {5, "ЗРТ-УСИ 64.09.02.01-1"}});
        ASSERT_TRUE(slave_->Started());
        server_ = std::make_unique<TServerRun>(dir_.path());
        ASSERT_TRUE(server_->Up());
    }

    QString LinePath() const { return QString::fromStdString(line_->Path(TEnd::A).string()); }

    QTemporaryDir dir_;
    std::unique_ptr<TVirtualLine> line_;
    std::unique_ptr<TModbusBenchSlave> slave_;
    std::unique_ptr<TServerRun> server_;
};

TEST_F(RigLink, SearchFindsTheFourDeviceKinds) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(LinePath(), QStringLiteral("1,3-6"));
    ASSERT_TRUE(w.Open(port));
    ASSERT_TRUE(w.Search(port));
    EXPECT_EQ(w.GridRows(), RigRows(1));
    for (int kind : {dkImr, dkIpt, dkUsi, dkFlowmeter}) EXPECT_TRUE(w.Sys().Found(kind)) << kind;
    EXPECT_TRUE(w.Sys().IsReady());
    // The address without a device leaves its line in the log.
    EXPECT_TRUE(w.LogHas(QStringLiteral("6:Информация о приборе: Прибор не отвечает")))
        << w.Log().join(u'\n').toStdString();
    EXPECT_EQ(slave_->Answered(), 4);
    EXPECT_TRUE(w.SaveScreenshot(QStringLiteral("link_setup_rig.png")));
}

TEST_F(RigLink, PortsAndDevicesComeBackAfterRemovalAndRestart) {
    const QString ini = dir_.filePath(QStringLiteral("ZRT.ini"));
    {
        TLinkWindow w(ini);
        TPortFrm* absent = w.AddPort(dir_.filePath(QStringLiteral("absent")), QStringLiteral("1"));
        TPortFrm* rig = w.AddPort(LinePath(), QStringLiteral("1,3-5"));
        TPortFrm* spare = w.AddPort(dir_.filePath(QStringLiteral("spare")), QStringLiteral("2"));
        ASSERT_TRUE(w.Open(rig));
        ASSERT_TRUE(w.Search(rig));
        ASSERT_EQ(w.GridRows(), RigRows(2));

        Button(absent, "BtnDel")->click();
        ASSERT_TRUE(WaitUntil([&w] { return w.Sys().Ports().size() == 2; }));
        EXPECT_EQ(w.Sys().Ports(), (std::vector<TPortFrm*>{rig, spare}));
        EXPECT_EQ(rig->Number(), 1);
        EXPECT_EQ(spare->Number(), 2);
        EXPECT_EQ(w.GridRows(), RigRows(1));
        w.Form().close();  // saves the settings
        ASSERT_TRUE(WaitUntil([&w] { return !w.Form().isVisible(); }));
    }
    TLinkWindow again(ini);
    const auto& ports = again.Sys().Ports();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0]->PortName(), LinePath());
    EXPECT_EQ(ports[1]->PortName(), dir_.filePath(QStringLiteral("spare")));
    EXPECT_EQ(again.GridRows(), RigRows(1));
    ASSERT_TRUE(WaitUntil([&] { return ports[0]->IsOpen(); }));
    ASSERT_TRUE(again.Search(ports[0]));
    EXPECT_EQ(again.GridRows(), RigRows(1));
}

}  // namespace
}  // namespace trelon::wizard::test
