// The link setup page and the port link through the bus, against a server whose devices are
// simulated on the bench (bench_rig_host.cpp): device search, identification, the device
// grid, ports removed and renumbered, settings, QIDs and answer routing, bounded and nested
// waits, the server going away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "bus/server_proxy.h"
#include "device_kind.h"
#include "link_codes.h"
#include "link_fixture.h"
#include "log_frame.h"
#include "mb_link.h"
#include "port_frm.h"
#include "set_connect_form.h"
#include "sys_frm.h"

namespace trelon::wizard::test {
namespace {

using trelon::test::WaitUntil;

class BenchLink : public ::testing::Test {
  protected:
    void SetUp() override { LinkBus(QStringLiteral(BENCH_SERVICES)); }

    // A read of one register through the request pattern; the value read is the address.
    static int ReadRegister(TPortFrm* port, TBaseFrame* page, int& qid, int address, int reg,
                            bool logged = true, int period = 0, bool wait = true) {
        return port->Request(
            page, qid, QStringLiteral("Регистр %1").arg(reg), logged, address,
            [reg, period](TMBComMaster& link, int id) {
                return link.ReadHoldRegs(id, period, reg, dtUnsignedWord, 1);
            },
            wait);
    }
};

QString Caption(TPortFrm* port) {
    return port->findChild<QGroupBox*>(QStringLiteral("GroupBox1"))->title();
}

TEST_F(BenchLink, SearchFindsTheDevicesOfEachKind) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("1,3-5,7,9"));
    EXPECT_EQ(Caption(port), QStringLiteral("Порт 1"));
    EXPECT_FALSE(Button(port, "BtnFind")->isEnabled());
    ASSERT_TRUE(w.Open(port));
    EXPECT_EQ(w.Form().StatusText(), QStringLiteral("ZRT порт открыт"));
    EXPECT_EQ(Button(port, "btnConnect")->text(), QStringLiteral("Закрыть порт"));
    EXPECT_TRUE(Button(port, "BtnFind")->isEnabled());
    EXPECT_FALSE(Button(port, "BtnAdv")->isEnabled());
    EXPECT_FALSE(Button(port, "BtnDel")->isEnabled());

    ASSERT_TRUE(w.Search(port));
    EXPECT_EQ(w.GridRows(), QStringList({QStringLiteral("1|ОДКС-512 76.02.01.07|Расходомер 1|1"),
                                         QStringLiteral("3|ЗРТ-ИМР 64.08.01.02 |ЗРТ-ИМР 3|1"),
                                         QStringLiteral("4|ЗРТ-ИПТ 64.10.00.03 |ЗРТ-ИПТ 4|1"),
                                         QStringLiteral("5|ЗРТ-УСИ 64.09.02.01 |ЗРТ-УСИ 5|1"),
                                         QStringLiteral("7|Прибор без версии|??? 7|1")}));
    for (int kind : {dkImr, dkIpt, dkUsi, dkFlowmeter, dkUnknown})
        EXPECT_TRUE(w.Sys().Found(kind)) << kind;
    EXPECT_TRUE(w.LogHas(QStringLiteral("3:Информация о приборе: Ок")));
    // The device that does not answer is not recorded, only logged.
    EXPECT_TRUE(w.LogHas(QStringLiteral("9:Информация о приборе: Прибор не отвечает")));
    EXPECT_TRUE(w.Sys().IsReady());
    EXPECT_TRUE(w.SaveScreenshot(QStringLiteral("link_setup_after_search.png")));

    // Next also needs the three instrument pages to have chosen their devices.
    EXPECT_FALSE(w.Form().NextEnabled());
    w.Sys().SetImrPageReady(true);
    w.Sys().SetIptPageReady(true);
    w.Sys().SetUsiPageReady(true);
    EXPECT_TRUE(w.Form().NextEnabled());
    // Another page is current: the link setup page keeps its state for its own Enter.
    w.Form().ShowPage(w.Form().Page(TPageId::SetupFrm));
    w.Form().SetNextEnabled(false);
    w.Sys().SetUsiPageReady(true);
    EXPECT_FALSE(w.Form().NextEnabled());
}

TEST_F(BenchLink, FirstRunGetsAPortOnTheGivenLine) {
    TLinkWindow w;
    TPortFrm* port = w.Sys().AddFirstPort(QStringLiteral("/tmp/bench-line"));
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->PortName(), QStringLiteral("/tmp/bench-line"));
    ASSERT_TRUE(WaitUntil([port] { return port->IsOpen(); }));
    ASSERT_TRUE(w.Search(port));
    for (int kind : {dkImr, dkIpt, dkUsi, dkFlowmeter}) EXPECT_TRUE(w.Sys().Found(kind)) << kind;
    // Not when the settings brought ports.
    EXPECT_EQ(w.Sys().AddFirstPort(QStringLiteral("/tmp/other")), nullptr);
    EXPECT_EQ(w.Sys().Ports().size(), 1u);
}

TEST_F(BenchLink, ControlsKeepTheirComponentNames) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    const std::pair<const char*, const char*> names[] = {
        {"btnAddPort", "Добавить COM-порт"},
        {"Button2", "Очистить список приборов"},
        {"SgDev", "Список приборов"},
        {"PnlPorts", "Порты"},
        {"cbxPort", "Порт"},
        {"cbxSpeed", "Скорость"},
        {"EdtAdrs", "Адреса поиска"},
        {"btnConnect", "Открыть порт"},
        {"BtnFind", "Искать"},
        {"BtnDel", "Удалить"},
        {"BtnAdv", "Дополнительно"},
    };
    for (const auto& [object, accessible] : names) {
        auto* control = w.Sys().findChild<QWidget*>(QString::fromLatin1(object));
        ASSERT_NE(control, nullptr) << object;
        EXPECT_EQ(control->accessibleName(), QString::fromUtf8(accessible)) << object;
    }
    ASSERT_TRUE(w.Open(port));
    EXPECT_EQ(Button(port, "btnConnect")->accessibleName(), QStringLiteral("Закрыть порт"));
}

TEST_F(BenchLink, AddressSyntaxErrorSendsNothing) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3-5x7"));
    ASSERT_TRUE(w.Open(port));
    auto* edit = port->findChild<QLineEdit*>(QStringLiteral("EdtAdrs"));
    EXPECT_NE(edit->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_FALSE(port->StartSearch());
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(port->Link()->Outstanding(), 0);
    EXPECT_TRUE(Button(port, "BtnFind")->isEnabled());
    // Corrected, the edit is normal again and the search runs.
    port->SetAddressText(QStringLiteral("3"));
    ASSERT_TRUE(w.Search(port));
    EXPECT_NE(edit->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(w.Sys().Devices().Count(), 1);
}

TEST_F(BenchLink, LinkSettingsDialogEditsThePortsOptions) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    // A port the operator adds starts with RS-232, no retries and no inter-byte interval.
    EXPECT_EQ(port->Options().LinkType, 0);
    EXPECT_EQ(port->Options().Retries, 0);
    EXPECT_EQ(port->Options().InterByte, 0);
    auto answer = [](const char* retries, bool ok) {
        QTimer::singleShot(0, [retries, ok] {
            auto* dialog = qobject_cast<TSetConnectForm*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QRadioButton*>(QStringLiteral("rbRS485"))->setChecked(true);
            dialog->findChild<QLineEdit*>(QStringLiteral("edtRetries"))->setText(retries);
            dialog->findChild<QLineEdit*>(QStringLiteral("edtInterByte"))->setText("15");
            if (ok) {
                QDir().mkpath(QStringLiteral(LINK_SCREENSHOT_DIR));
                dialog->grab().save(QStringLiteral(LINK_SCREENSHOT_DIR "/link_settings.png"));
            }
            Button(dialog, ok ? "btnOk" : "btnCancel")->click();
        });
    };
    answer("3", true);
    Button(port, "BtnAdv")->click();
    EXPECT_EQ(port->Options().LinkType, 1);
    EXPECT_EQ(port->Options().Retries, 3);
    EXPECT_EQ(port->Options().InterByte, 15);
    answer("9", false);
    Button(port, "BtnAdv")->click();
    EXPECT_EQ(port->Options().Retries, 3);
}

TEST_F(BenchLink, RemovingAPortRenumbersTheOthers) {
    TLinkWindow w;
    TPortFrm* first = w.AddPort(QStringLiteral("/tmp/line1"), QStringLiteral("1"));
    TPortFrm* second = w.AddPort(QStringLiteral("/tmp/line2"), QStringLiteral("1"));
    TPortFrm* third = w.AddPort(QStringLiteral("/tmp/line3"), QStringLiteral("3"));
    EXPECT_EQ(Caption(third), QStringLiteral("Порт 3"));
    ASSERT_TRUE(w.Open(third));
    ASSERT_TRUE(w.Search(third));
    ASSERT_EQ(w.GridRows(), QStringList({QStringLiteral("3|ЗРТ-ИМР 64.08.01.02 |ЗРТ-ИМР 3|3")}));

    Button(first, "BtnDel")->click();
    ASSERT_TRUE(WaitUntil([&w] { return w.Sys().Ports().size() == 2; }));
    EXPECT_EQ(w.Sys().Ports(), (std::vector<TPortFrm*>{second, third}));
    EXPECT_EQ(Caption(second), QStringLiteral("Порт 1"));
    EXPECT_EQ(Caption(third), QStringLiteral("Порт 2"));
    EXPECT_EQ(w.GridRows(), QStringList({QStringLiteral("3|ЗРТ-ИМР 64.08.01.02 |ЗРТ-ИМР 3|2")}));
    // A new port is numbered after the last one.
    w.AddPort(QStringLiteral("/tmp/line4"), QStringLiteral("1"));
    EXPECT_EQ(Caption(w.Sys().Ports().back()), QStringLiteral("Порт 3"));
    // Removing the port of a device removes the device.
    w.Sys().RemovePort(third);
    EXPECT_EQ(w.Sys().Devices().Count(), 0);
}

TEST_F(BenchLink, SettingsBringBackPortsAndDevices) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("ZRT.ini"));
    {
        TLinkWindow w(ini);
        TPortFrm* bench = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("1,3-5"));
        bench->SetSpeedIndex(0);
        bench->SetOptions({1, 2, 10});
        TPortFrm* closed = w.AddPort(QStringLiteral("/dev/none"), QStringLiteral("7"));
        ASSERT_TRUE(w.Open(bench));
        ASSERT_TRUE(w.Search(bench));
        Button(closed, "btnConnect")->click();  // this port cannot be opened
        w.Form().SaveAllSettings();
    }
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("COM=/tmp/bench-line"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("name=ЗРТ-ИМР 3"))) << text.toStdString();

    TLinkWindow again(ini);
    const auto& ports = again.Sys().Ports();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0]->PortName(), QStringLiteral("/tmp/bench-line"));
    EXPECT_EQ(ports[0]->SpeedIndex(), 0);
    EXPECT_EQ(ports[0]->AddressText(), QStringLiteral("1,3-5"));
    EXPECT_EQ(ports[0]->Options().LinkType, 1);
    EXPECT_EQ(ports[0]->Options().Retries, 2);
    EXPECT_EQ(ports[0]->Options().InterByte, 10);
    EXPECT_EQ(ports[1]->PortName(), QStringLiteral("/dev/none"));
    EXPECT_EQ(Caption(ports[1]), QStringLiteral("Порт 2"));
    // The rows come back; blanks at the ends of values may or may not survive the file.
    QStringList rows = again.GridRows();
    for (QString& row : rows) row.replace(QStringLiteral(" |"), QStringLiteral("|"));
    EXPECT_EQ(rows, QStringList({QStringLiteral("1|ОДКС-512 76.02.01.07|Расходомер 1|1"),
                                 QStringLiteral("3|ЗРТ-ИМР 64.08.01.02|ЗРТ-ИМР 3|1"),
                                 QStringLiteral("4|ЗРТ-ИПТ 64.10.00.03|ЗРТ-ИПТ 4|1"),
                                 QStringLiteral("5|ЗРТ-УСИ 64.09.02.01|ЗРТ-УСИ 5|1")}));
    for (int kind : {dkImr, dkIpt, dkUsi, dkFlowmeter}) EXPECT_TRUE(again.Sys().Found(kind));
    // Loading opens every port.
    EXPECT_TRUE(WaitUntil([&] { return ports[0]->IsOpen(); }));
    EXPECT_FALSE(ports[1]->IsOpen());
}

TEST_F(BenchLink, OldSettingsFilesStillLoad) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("ZRT.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[SysFrm]\nPortCount=1\nDevCount=2\n[FrameMBCM0]\nCOM=2\nspeed=3\n"
        "[SysFrm1]\nname=ЗРТ-УСИ 5\nAnswerStr=x\ntype=3\nadr=5\nnummbcm=0\n"
        "[SysFrm2]\nname=ЗРТ-ИПТ 4\ntype=2\nadr=4\nnummbcm=4\n");
    file.close();
    TLinkWindow w(ini);
    ASSERT_EQ(w.Sys().Ports().size(), 1u);
    TPortFrm* port = w.Sys().Ports()[0];
    EXPECT_EQ(port->PortName(), QStringLiteral("/dev/ttyS2"));  // COM3 of old files
    EXPECT_EQ(port->SpeedIndex(), 3);
    EXPECT_EQ(port->AddressText(), QStringLiteral("1,3-5"));
    EXPECT_EQ(port->Options().LinkType, 1);
    EXPECT_EQ(port->Options().Retries, 1);
    EXPECT_EQ(port->Options().InterByte, 20);
    // The device of a port that is not there is left out.
    EXPECT_EQ(w.GridRows(), QStringList({QStringLiteral("5|x|ЗРТ-УСИ 5|1")}));
    EXPECT_TRUE(w.LogHas(QStringLiteral("Прибор 2 из настроек пропущен: нет порта 5")));
}

TEST_F(BenchLink, AnswersReachOnlyThePageOfTheirQid) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    TRecordingPage a, b;
    int qidA = 0, qidB = 0;
    // Not connected: no request, failure at once.
    EXPECT_EQ(ReadRegister(port, &a, qidA, 3, 100), mbcERC);
    EXPECT_EQ(port->Link()->Outstanding(), 0);
    ASSERT_TRUE(w.Open(port));

    EXPECT_EQ(ReadRegister(port, &a, qidA, 3, 100), mbcOK);
    EXPECT_EQ(ReadRegister(port, &b, qidB, 3, 200, false), mbcOK);
    EXPECT_NE(qidA, qidB);
    ASSERT_EQ(a.Answers.size(), 1u);
    EXPECT_EQ(a.Answers[0].Value, 100);
    EXPECT_EQ(a.Answers[0].Qid, qidA);
    ASSERT_EQ(b.Answers.size(), 1u);
    EXPECT_EQ(b.Answers[0].Value, 200);
    EXPECT_EQ(w.Form().StatusText(), QStringLiteral("Регистр 200: Ок"));
    EXPECT_TRUE(w.LogHas(QStringLiteral("3:Регистр 100: Ок")));
    EXPECT_FALSE(w.LogHas(QStringLiteral("3:Регистр 200: Ок")));  // not logged
    w.Form().Params().FullLog = true;
    EXPECT_EQ(ReadRegister(port, &b, qidB, 3, 200, false), mbcOK);
    EXPECT_TRUE(w.LogHas(QStringLiteral("3:Регистр 200: Ок")));
    // A failed request is reported by its code.
    EXPECT_EQ(ReadRegister(port, &a, qidA, 8, 100), mbcNoAnswer);
    EXPECT_EQ(w.Form().StatusText(), QStringLiteral("Регистр 100: Прибор не отвечает"));
}

TEST_F(BenchLink, NewSearchCutsTheQueriesOfItsPort) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    ASSERT_TRUE(w.Open(port));
    TRecordingPage page;
    int periodic = 0;
    ASSERT_EQ(ReadRegister(port, &page, periodic, 3, 10, true, 1000, false), mbcOK);
    ASSERT_TRUE(WaitUntil([&page] { return page.Answers.size() >= 2; }));
    ASSERT_TRUE(w.Search(port));
    const size_t seen = page.Answers.size();
    // A late answer to the cut QID (here one the server still had on its way) reaches no
    // page and no log line.
    w.Form().LogPage()->Clear();
    emit port->Link()->OnExchange(periodic, 3, 3, TVariant(10), mbcOK);
    EXPECT_EQ(page.Answers.size(), seen);
    EXPECT_TRUE(w.Log().isEmpty());
    // The server was told to stop the periodic read: a fresh read is the next answer.
    int fresh = 0;
    EXPECT_EQ(ReadRegister(port, &page, fresh, 3, 11), mbcOK);
    EXPECT_GT(fresh, periodic);  // QIDs are not reused
    EXPECT_EQ(page.Answers.back().Value, 11);
    EXPECT_EQ(page.Answers.size(), seen + 1);
}

TEST_F(BenchLink, WaitIsBoundedWhenNoAnswerComes) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    ASSERT_TRUE(w.Open(port));
    TRecordingPage page;
    int qid = 0;
    EXPECT_EQ(ReadRegister(port, &page, qid, 99, 1), mbcNoAnswer);
    EXPECT_TRUE(page.Answers.empty());
    EXPECT_TRUE(w.LogHas(QStringLiteral("Регистр 1: Прибор не отвечает (нет ответа за 3 с)")))
        << w.Log().join(u'\n').toStdString();
}

TEST_F(BenchLink, WaitsNestAndPortRemovalWaitsForThem) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    TPortFrm* other = w.AddPort(QStringLiteral("/tmp/other"), QStringLiteral("3"));
    ASSERT_TRUE(w.Open(port));
    TRecordingPage page;
    int qid = 0;
    size_t portsDuringWait = 0;
    int nested = -1;
    QTimer::singleShot(50, [&] {
        Button(other, "BtnDel")->click();
        // The same operation again while its answer is awaited is refused.
        int same = qid;
        nested = ReadRegister(port, &page, same, 99, 1);
        QTimer::singleShot(50, [&] {
            portsDuringWait = w.Sys().Ports().size();
            // A new search on the port cuts the awaited QID: that wait ends at once.
            Button(port, "BtnFind")->click();
        });
    });
    EXPECT_EQ(ReadRegister(port, &page, qid, 99, 1), mbcNoAnswer);
    EXPECT_EQ(nested, mbcERC);
    EXPECT_TRUE(w.LogHas(QStringLiteral("Запрос \"Регистр 1\" уже ожидает ответа")));
    EXPECT_EQ(portsDuringWait, 2u);
    EXPECT_EQ(port->Queries().Find(qid), nullptr);
    EXPECT_TRUE(WaitUntil([&w] { return w.Sys().Ports().size() == 1; }));
    EXPECT_TRUE(WaitUntil([port] { return port->ExpectedAnswers() == 0; }));
    EXPECT_EQ(w.Sys().Devices().Count(), 1);
    EXPECT_TRUE(page.Answers.empty());
}

TEST_F(BenchLink, AnAnswerHeldUpByANestedWaitIsKept) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    ASSERT_TRUE(w.Open(port));
    TRecordingPage outer, nested;
    int outerQid = 0, nestedQid = 0;
    int nestedResult = -1;
    QTimer::singleShot(0, [&] {
        // The nested wait outlasts the outer wait's bound (3 s); closing the port ends it.
        QTimer::singleShot(3500, [&] { Button(port, "btnConnect")->click(); });
        nestedResult = ReadRegister(port, &nested, nestedQid, 99, 2);
    });
    EXPECT_EQ(ReadRegister(port, &outer, outerQid, 3, 1), mbcOK);
    EXPECT_EQ(nestedResult, mbcNoAnswer);
    ASSERT_EQ(outer.Answers.size(), 1u);
    EXPECT_EQ(outer.Answers[0].Value, 1);
    EXPECT_TRUE(w.Log().filter(QStringLiteral("Регистр 1: Прибор не отвечает")).isEmpty());
}

TEST_F(BenchLink, CallsToTheServerRunNoGuiEvents) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    ASSERT_TRUE(w.Open(port));
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    // Between setting the address and issuing the request no handler may run.
    EXPECT_TRUE(port->Link()->SetDeviceAddres(3));
    EXPECT_TRUE(port->Link()->Connected());
    EXPECT_TRUE(port->Link()->GetDeviceName(0));
    EXPECT_FALSE(ran);
    EXPECT_TRUE(WaitUntil([&ran] { return ran; }));
}

TEST_F(BenchLink, ServerLossClosesEveryPortAndTheyReopen) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("3"));
    TPortFrm* second = w.AddPort(QStringLiteral("/tmp/second"), QStringLiteral("4"));
    ASSERT_TRUE(w.Open(port));
    ASSERT_TRUE(w.Open(second));
    TRecordingPage page;
    int qid = 0;
    QTimer::singleShot(100, [] { LinkBus({}).KillOwnerOf(QLatin1String(kServerName)); });
    EXPECT_EQ(ReadRegister(port, &page, qid, 99, 1), mbcNoAnswer);
    EXPECT_TRUE(WaitUntil([&] { return !port->IsOpen() && !second->IsOpen(); }));
    EXPECT_EQ(Button(port, "btnConnect")->text(), QStringLiteral("Открыть порт"));
    EXPECT_TRUE(Button(port, "BtnDel")->isEnabled());
    EXPECT_FALSE(w.Sys().AllPortsOpen());
    // The bus starts the server again for the next access.
    ASSERT_TRUE(w.Open(port));
    ASSERT_TRUE(w.Search(port));
    EXPECT_EQ(w.Sys().Devices().Count(), 1);
    EXPECT_EQ(ReadRegister(port, &page, qid, 3, 5), mbcOK);
}

TEST_F(BenchLink, BoundPagesAreToldOfLinkChangesAndRemovals) {
    TLinkWindow w;
    TPortFrm* port = w.AddPort(QStringLiteral("/tmp/bench-line"), QStringLiteral("1,3-5"));
    ASSERT_TRUE(w.Open(port));
    ASSERT_TRUE(w.Search(port));
    TRecordingPage page;
    EXPECT_FALSE(w.Sys().BindPage(&page, -1, dkFlowmeter, 1));  // only one flowmeter
    ASSERT_TRUE(w.Sys().BindPage(&page, -1, dkFlowmeter, 0));
    ASSERT_TRUE(w.Sys().BindPage(&page, 5, dkImr, 0));  // a wrong old ordinal does no harm
    EXPECT_EQ(page.Calls,
              QStringList({QStringLiteral("LinkChanged 1"), QStringLiteral("LinkChanged 1")}));
    // Bound to one device only.
    int bindings = 0;
    for (const TDevInfo& e : w.Sys().Devices().Entries())
        for (const auto& p : e.BoundPages) bindings += p == &page;
    EXPECT_EQ(bindings, 1);

    page.Calls.clear();
    Button(port, "btnConnect")->click();
    ASSERT_TRUE(WaitUntil([&] { return !port->IsOpen(); }));
    EXPECT_EQ(page.Calls, QStringList({QStringLiteral("LinkChanged 0")}));

    page.Calls.clear();
    Button(&w.Sys(), "Button2")->click();  // "Очистить список приборов"
    EXPECT_EQ(page.Calls, QStringList({QStringLiteral("DeviceRemoved")}));
    EXPECT_EQ(w.GridRows(), QStringList({QStringLiteral("|||")}));
    EXPECT_FALSE(w.Sys().Found(dkImr));
}

}  // namespace
}  // namespace trelon::wizard::test
