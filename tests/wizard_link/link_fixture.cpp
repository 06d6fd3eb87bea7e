#include "link_fixture.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QTableWidget>

#include "bus/server_proxy.h"
#include "log_frame.h"
#include "pages.h"
#include "port_frm.h"
#include "sys_frm.h"

namespace trelon::wizard::test {

using trelon::test::WaitUntil;

trelon::test::TPrivateBus& LinkBus(const QString& serviceDir) {
    // One bus for the process: the session bus connection of Qt is made once.
    static trelon::test::TPrivateBus bus(serviceDir);
    return bus;
}

TLinkWindow::TLinkWindow(const QString& settingsPath)
    : path_(settingsPath.isEmpty() ? dir_.filePath(QStringLiteral("ZRT.ini")) : settingsPath) {
    form_ = std::make_unique<TMainForm>(ProgramPages(),
                                        TMainFormOptions{path_, dir_.path() + u'/', 1.0});
    form_->show();
}

TLinkWindow::~TLinkWindow() = default;

TSysFrm& TLinkWindow::Sys() {
    return *form_->PageAs<TSysFrm>(TPageId::SysFrm);
}

QStringList TLinkWindow::Log() const {
    QStringList texts;
    const TLogFrm* log = form_->LogPage();
    for (int row = 0; row < log->Count(); ++row) texts << log->Text(row);
    return texts;
}

bool TLinkWindow::LogHas(const QString& text) const {
    return Log().contains(text);
}

TPortFrm* TLinkWindow::AddPort(const QString& portName, const QString& addresses) {
    Button(&Sys(), "btnAddPort")->click();
    TPortFrm* port = Sys().Ports().back();
    port->SetPortName(portName);
    port->SetAddressText(addresses);
    return port;
}

bool TLinkWindow::Open(TPortFrm* port) {
    Button(port, "btnConnect")->click();
    return WaitUntil([port] { return port->IsOpen(); });
}

bool TLinkWindow::Search(TPortFrm* port) {
    QPushButton* find = Button(port, "BtnFind");
    find->click();
    return WaitUntil([port, find] { return port->ExpectedAnswers() == 0 && find->isEnabled(); });
}

QStringList TLinkWindow::GridRows() {
    auto* grid = Sys().findChild<QTableWidget*>(QStringLiteral("SgDev"));
    QStringList rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        rows << cells.join(u'|');
    }
    return rows;
}

bool TLinkWindow::SaveScreenshot(const QString& fileName) {
    QDir().mkpath(QStringLiteral(LINK_SCREENSHOT_DIR));
    return form_->grab().save(QStringLiteral(LINK_SCREENSHOT_DIR "/") + fileName);
}

QPushButton* Button(QWidget* parent, const char* objectName) {
    return parent->findChild<QPushButton*>(QString::fromLatin1(objectName));
}

TServerRun::TServerRun(const QString& folder) {
    const QDir dir(folder);
    process_.start(trelon::test::BinDir() + QStringLiteral("/trelonsrv"),
                   {QStringLiteral("--config"), dir.filePath(QStringLiteral("TrelonSrv.ini")),
                    QStringLiteral("--log-dir"), dir.filePath(QStringLiteral("logs"))});
}

TServerRun::~TServerRun() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) process_.kill();
}

bool TServerRun::Up() {
    if (!process_.waitForStarted()) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    return WaitUntil([&bus] {
        return bus.interface()->isServiceRegistered(QLatin1String(kServerName)).value();
    });
}

void TRecordingPage::AnswerReceived(QObject*, int qid, int mbAddr, int, const TVariant& value,
                                    int result) {
    int v = -1;
    if (value.IsNumeric()) v = value.ToInt();
    Answers.push_back({qid, mbAddr, v, result});
}

void TRecordingPage::LinkChanged(QObject*, bool connected) {
    Calls << QStringLiteral("LinkChanged %1").arg(int(connected));
}

void TRecordingPage::DeviceRemoved(QObject*) {
    Calls << QStringLiteral("DeviceRemoved");
}

}  // namespace trelon::wizard::test
