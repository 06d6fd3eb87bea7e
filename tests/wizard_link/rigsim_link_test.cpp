// The link setup page against the rig simulator through the real server: a first-run port
// page on the rig's line finds the rig's four devices with the default addresses, and a
// device that stops answering leaves its log line.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "device_kind.h"
#include "link_fixture.h"
#include "port_frm.h"
#include "rig_sim.h"
#include "sys_frm.h"

namespace trelon::wizard::test {
namespace {

using trelon::test::WaitUntil;

class RigSimulatorLink : public ::testing::Test {
  protected:
    void SetUp() override {
        LinkBus({});
        rig::TStartup startup;
        startup.Directory = dir_.path().toStdString();
        sim_ = std::make_unique<rig::TRigSim>(rig_, startup);
        server_ = std::make_unique<TServerRun>(dir_.path());
        ASSERT_TRUE(server_->Up());
    }

    QString LinePath() const {
        return QString::fromStdString(sim_->Lines().front()->Path().string());
    }

    QTemporaryDir dir_;
    rig::TRig rig_{0};
    std::unique_ptr<rig::TRigSim> sim_;
    std::unique_ptr<TServerRun> server_;
};

TEST_F(RigSimulatorLink, TheDefaultSearchFindsTheRig) {
    TLinkWindow w;
    TPortFrm* port = w.Sys().AddFirstPort(LinePath());
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(WaitUntil([port] { return port->IsOpen(); }));
    ASSERT_TRUE(w.Search(port));
    // Answers longer than 20 characters are cut.
    EXPECT_EQ(w.GridRows(), QStringList({QStringLiteral("1|ОДКС-5 v76.05.02.11;|Расходомер 1|1"),
                                         QStringLiteral("3|ЗРТ-ИМР v64.08.03.02|ЗРТ-ИМР 3|1"),
                                         QStringLiteral("4|ЗРТ-ИПТ v64.10.01.05|ЗРТ-ИПТ 4|1"),
                                         QStringLiteral("5|ЗРТ-УСИ v64.09.02.01|ЗРТ-УСИ 5|1")}));
    EXPECT_TRUE(w.Sys().IsReady());
    EXPECT_TRUE(w.SaveScreenshot(QStringLiteral("link_setup_rig_simulator.png")));

    // The pulse counter falls silent: the next search leaves it out and logs it.
    ASSERT_FALSE(sim_->Command("fault usi silent").Error);
    ASSERT_TRUE(w.Search(port));
    EXPECT_EQ(w.Sys().Devices().Count(), 3);
    EXPECT_FALSE(w.Sys().Found(dkUsi));
    EXPECT_TRUE(w.LogHas(QStringLiteral("5:Информация о приборе: Прибор не отвечает")));
}

}  // namespace
}  // namespace trelon::wizard::test
