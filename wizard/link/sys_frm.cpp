#include "sys_frm.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include "controls.h"
#include "log_frame.h"
#include "main_form.h"
#include "mb_link.h"
#include "page_messages.h"
#include "port_frm.h"

namespace trelon::wizard {

namespace {

// The message by which a port page asks to be removed.
class TRemovePortEvent : public QEvent {
  public:
    explicit TRemovePortEvent(TPortFrm* port) : QEvent(QEvent::Type(pmRemovePort)), Port(port) {}
    QPointer<TPortFrm> Port;
};

}  // namespace

TSysFrm::TSysFrm(QWidget* parent) : TBaseFrame(parent) {
    SetFrameName(QStringLiteral("Setup links"));
    SetCaption(QStringLiteral("Настройки связи"));
    BuildControls();
    RefreshDevices();
}

TSysFrm::~TSysFrm() = default;

void TSysFrm::BuildControls() {
    btnAddPort_ = Named(new QPushButton(QStringLiteral("Добавить COM-порт"), this), "btnAddPort");
    btnClear_ = Named(new QPushButton(QStringLiteral("Очистить список приборов"), this), "Button2");
    sgDev_ = Named(new QTableWidget(1, 4, this), "SgDev", QStringLiteral("Список приборов"));
    sgDev_->setHorizontalHeaderLabels({QStringLiteral("Адрес"), QStringLiteral("Название"),
                                       QStringLiteral("ТИП"), QStringLiteral("Порт")});
    sgDev_->verticalHeader()->setVisible(false);
    sgDev_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgDev_->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgDev_->setColumnWidth(0, 50);
    sgDev_->setColumnWidth(1, 170);
    sgDev_->setColumnWidth(2, 110);
    sgDev_->setMinimumWidth(400);
    sgDev_->horizontalHeader()->setStretchLastSection(true);

    auto* pnlPorts = Named(new QWidget, "PnlPorts", QStringLiteral("Порты"));
    pnlPortsLayout_ = new QVBoxLayout(pnlPorts);
    pnlPortsLayout_->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(pnlPorts);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(420);

    auto* left = new QVBoxLayout;
    left->addWidget(btnAddPort_);
    left->addWidget(scroll, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(sgDev_, 1);
    right->addWidget(btnClear_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 0);
    layout->addLayout(right, 1);

    connect(btnAddPort_, &QPushButton::clicked, this, [this] { AddPort(); });
    connect(btnClear_, &QPushButton::clicked, this, &TSysFrm::ClearDevices);
}

TPortFrm* TSysFrm::AddPort() {
    auto* port = new TPortFrm;
    port->SetNumber(ports_.empty() ? 1 : ports_.back()->Number() + 1);
    pnlPortsLayout_->insertWidget(pnlPortsLayout_->count() - 1, port);
    ports_.push_back(port);
    connect(port, &TPortFrm::SearchStarting, this, &TSysFrm::RemoveDevicesOfPort);
    connect(port, &TPortFrm::DeviceAnswered, this,
            [this](TPortFrm* p, int address, const QString& answer) {
                AddDevice(address, answer, p, p->Link());
            });
    connect(port, &TPortFrm::ConnectionChanged, this,
            [this](TPortFrm* p, bool connected) { LinkChanged(p->Link(), connected); });
    connect(port, &TPortFrm::RemoveRequested, this, &TSysFrm::RequestRemoval);
    RefreshDevices();
    return port;
}

TPortFrm* TSysFrm::AddFirstPort(const QString& path) {
    if (!ports_.empty()) return nullptr;
    TPortFrm* port = AddPort();
    port->SetPortName(path);
    port->SetAddressText(QStringLiteral("1,3-5"));
    port->OpenPort();
    return port;
}

void TSysFrm::RequestRemoval(TPortFrm* port) {
    QCoreApplication::postEvent(this, new TRemovePortEvent(port));
}

bool TSysFrm::event(QEvent* event) {
    if (event->type() != QEvent::Type(pmRemovePort)) return TBaseFrame::event(event);
    QPointer<TPortFrm> port = static_cast<TRemovePortEvent*>(event)->Port;
    // A wait in progress may be on this port's link: the port goes once it is over.
    if (TMainForm* form = MainForm())
        form->Waits().RunWhenIdle([this, port] {
            if (port) RemovePort(port);
        });
    else if (port)
        RemovePort(port);
    return true;
}

void TSysFrm::RemovePort(TPortFrm* port) {
    auto it = std::find(ports_.begin(), ports_.end(), port);
    if (it == ports_.end()) return;
    RemoveDevicesOfPort(port);
    it = ports_.erase(it);
    for (; it != ports_.end(); ++it) (*it)->SetNumber(int(it - ports_.begin()) + 1);
    delete port;
    RefreshDevices();
}

void TSysFrm::AddDevice(int address, const QString& answer, TPortFrm* port, TMBComMaster* link) {
    devices_.Add(address, answer, port, link);
    RefreshDevices();
}

void TSysFrm::ForgetDevices(std::vector<TDevInfo> removed) {
    for (TDevInfo& entry : removed)
        for (const QPointer<TBaseFrame>& page : entry.BoundPages)
            if (page) page->DeviceRemoved(entry.Link);
}

void TSysFrm::RemoveDevicesOfPort(TPortFrm* port) {
    ForgetDevices(devices_.TakeOfPort(port));
    RefreshDevices();
}

void TSysFrm::ClearDevices() {
    ForgetDevices(devices_.TakeOfPort(nullptr));
    RefreshDevices();
}

void TSysFrm::FillGrid() {
    const auto& entries = devices_.Entries();
    sgDev_->clearContents();
    sgDev_->setRowCount(std::max(1, int(entries.size())));
    for (int row = 0; row < int(entries.size()); ++row) {
        const TDevInfo& e = entries[size_t(row)];
        const QString cells[] = {QString::number(e.Address), e.Answer, e.TypeName,
                                 e.Link ? QString::number(e.Link->Tag()) : QString()};
        for (int col = 0; col < 4; ++col)
            sgDev_->setItem(row, col, new QTableWidgetItem(cells[col]));
    }
}

void TSysFrm::RefreshDevices() {
    for (int kind = 0; kind < kDeviceKindCount; ++kind) found_[size_t(kind)] = devices_.Has(kind);
    FillGrid();
    UpdateNext();
}

void TSysFrm::UpdateNext() {
    allPortsOpen_ = std::all_of(ports_.begin(), ports_.end(),
                                [](TPortFrm* p) { return p->Link()->Connected(); });
    // Next belongs to the current page: elsewhere the state waits for this page's Enter.
    TMainForm* form = MainForm();
    if (!form || form->CurrentPage() != this) return;
    form->SetNextEnabled(allPortsOpen_ && found_[dkImr] && found_[dkIpt] && found_[dkUsi] &&
                         found_[dkFlowmeter] && imrReady_ && iptReady_ && usiReady_);
}

bool TSysFrm::BindPage(TBaseFrame* page, int, int kind, int newOrdinal) {
    const TDevInfo* entry = devices_.Bind(page, kind, newOrdinal);
    if (!entry) return false;
    TMBComMaster* link = entry->Link;
    page->LinkChanged(link, link && link->Connected());
    return true;
}

void TSysFrm::SetImrPageReady(bool ready) {
    imrReady_ = ready;
    UpdateNext();
}

void TSysFrm::SetIptPageReady(bool ready) {
    iptReady_ = ready;
    UpdateNext();
}

void TSysFrm::SetUsiPageReady(bool ready) {
    usiReady_ = ready;
    UpdateNext();
}

void TSysFrm::Enter(QWidget* container) {
    TBaseFrame::Enter(container);
    if (TMainForm* form = MainForm()) {
        form->SetPrevEnabled(false);
        form->SetHint(QStringLiteral(
            "Для дальнейшей работы найдите все устройства\nИМР, УСИ, ИПТ и поверяемый расходомер"));
        form->SetNextEnabled(IsReady());
    }
}

bool TSysFrm::IsReady() {
    const bool ready =
        allPortsOpen_ && found_[dkFlowmeter] && found_[dkImr] && found_[dkIpt] && found_[dkUsi];
    if (!ready) AddLog(QStringLiteral("Не все COM-порты подключены"));
    return ready;
}

void TSysFrm::LinkChanged(QObject* link, bool connected) {
    // Copies: a page told of the change may bind itself elsewhere.
    std::vector<QPointer<TBaseFrame>> pages;
    for (const TDevInfo& entry : devices_.Entries())
        if (entry.Link == link)
            for (const QPointer<TBaseFrame>& page : entry.BoundPages) pages.push_back(page);
    for (const QPointer<TBaseFrame>& page : pages)
        if (page) page->LinkChanged(link, connected);
    UpdateNext();
}

}  // namespace trelon::wizard
