#include "port_frm.h"

#include <QComboBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "address_parser.h"
#include "controls.h"
#include "link_codes.h"
#include "log_frame.h"
#include "main_form.h"
#include "mb_link.h"
#include "port_names.h"
#include "set_connect_form.h"

namespace trelon::wizard {

namespace {

constexpr int kAnswerDelayMs = 1000;  // answer time-out the port works with
constexpr int kWaitMarginMs = 2000;   // the server's own time around each exchange
const QString kSearchDescription = QStringLiteral("Информация о приборе");

bool FullLog() {
    TMainForm* form = MainForm();
    return form && form->Params().FullLog;
}

void ShowStatus(const QString& text) {
    if (TMainForm* form = MainForm()) form->SetStatusText(text);
}

}  // namespace

struct TPortFrm::TActiveWait {
    explicit TActiveWait(int qid) : Qid(qid) {}
    int Qid;
    int Result = kWaitingResult;
    bool TimedOut = false;
    QEventLoop Loop;
};

const QStringList& TPortFrm::Speeds() {
    static const QStringList speeds = {QStringLiteral("19200"), QStringLiteral("9600"),
                                       QStringLiteral("4800"), QStringLiteral("2400")};
    return speeds;
}

TPortFrm::TPortFrm(QWidget* parent) : TBaseFrame(parent), link_(new TMBComMaster) {
    SetFrameName(QStringLiteral("PortFrm"));
    link_->setParent(this);
    BuildControls();
    queries_.Register(this, kSearchDescription, true);
    connect(link_, &TMBComMaster::OnExchange, this, &TPortFrm::Dispatch);
    connect(link_, &TMBComMaster::OnChangeConnected, this, &TPortFrm::ChangeConnected);
}

TPortFrm::~TPortFrm() {
    // Waits are never active here: port removal and the close wait until they are over.
    EndWaits(-1, mbcNoAnswer);
}

void TPortFrm::BuildControls() {
    box_ = Named(new QGroupBox(QStringLiteral("Порт"), this), "GroupBox1");
    cbxPort_ = Named(new QComboBox(box_), "cbxPort", QStringLiteral("Порт"));
    cbxPort_->setEditable(true);
    cbxPort_->addItems(SystemSerialPorts());
    cbxPort_->setMinimumContentsLength(10);
    if (cbxPort_->count() == 0) cbxPort_->addItem(PortPath(QStringLiteral("COM1")));
    cbxSpeed_ = Named(new QComboBox(box_), "cbxSpeed", QStringLiteral("Скорость"));
    cbxSpeed_->addItems(Speeds());
    cbxSpeed_->setCurrentIndex(1);
    auto* lblAdrs = Named(new QLabel(QStringLiteral("Адреса поиска\nпример: 1,2,5-7"), box_),
                          "Label1", QStringLiteral("Адреса поиска"));
    edtAdrs_ = Named(new QLineEdit(QStringLiteral("3-5"), box_), "EdtAdrs",
                     QStringLiteral("Адреса поиска"));
    lblAdrs->setBuddy(edtAdrs_);
    btnConnect_ = Named(new QPushButton(QStringLiteral("Открыть порт"), box_), "btnConnect");
    btnFind_ = Named(new QPushButton(QStringLiteral("Искать"), box_), "BtnFind");
    btnFind_->setEnabled(false);
    btnDel_ = Named(new QPushButton(QStringLiteral("Удалить"), box_), "BtnDel");
    btnAdv_ = Named(new QPushButton(QStringLiteral("Дополнительно"), box_), "BtnAdv");

    auto* grid = new QGridLayout(box_);
    grid->addWidget(cbxPort_, 0, 0);
    grid->addWidget(cbxSpeed_, 0, 1);
    grid->addWidget(btnConnect_, 0, 2);
    grid->addWidget(lblAdrs, 1, 0);
    grid->addWidget(edtAdrs_, 1, 1);
    grid->addWidget(btnFind_, 1, 2);
    grid->addWidget(btnAdv_, 2, 1);
    grid->addWidget(btnDel_, 2, 2);
    grid->setColumnMinimumWidth(1, btnAdv_->sizeHint().width());
    grid->setColumnStretch(0, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box_);

    connect(btnConnect_, &QPushButton::clicked, this, [this] {
        if (open_)
            ClosePort();
        else
            OpenPort();
    });
    connect(btnFind_, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(btnDel_, &QPushButton::clicked, this, [this] { emit RemoveRequested(this); });
    connect(btnAdv_, &QPushButton::clicked, this, &TPortFrm::ShowAdvanced);
}

int TPortFrm::Number() const {
    return link_->Tag();
}

void TPortFrm::SetNumber(int number) {
    link_->SetTag(number);
    box_->setTitle(QStringLiteral("Порт %1").arg(number));
    box_->setAccessibleName(box_->title());
}

QString TPortFrm::PortName() const {
    return PortPath(cbxPort_->currentText());
}

void TPortFrm::SetPortName(const QString& path) {
    const QString name = PortPath(path);
    int index = cbxPort_->findText(name);
    if (index < 0) {
        cbxPort_->addItem(name);
        index = cbxPort_->count() - 1;
    }
    cbxPort_->setCurrentIndex(index);
}

int TPortFrm::SpeedIndex() const {
    return cbxSpeed_->currentIndex();
}

void TPortFrm::SetSpeedIndex(int index) {
    cbxSpeed_->setCurrentIndex(std::clamp(index, 0, int(Speeds().size()) - 1));
}

QString TPortFrm::AddressText() const {
    return edtAdrs_->text();
}

void TPortFrm::SetAddressText(const QString& text) {
    edtAdrs_->setText(text);
}

void TPortFrm::OpenPort() {
    if (open_) return;
    const bool sent = link_->SetAnswerDelay(kAnswerDelayMs) &&
                      link_->SetLinkType(options_.LinkType) && link_->SetComPort(PortName()) &&
                      link_->SetComSpeed(Speeds().value(SpeedIndex()).toInt()) &&
                      link_->SetMode(0) && link_->SetRetries(options_.Retries) &&
                      link_->SetInterByte(options_.InterByte) && link_->SetParity(2) &&
                      link_->SetOptimalUseFunction(true) && link_->SetConnected(true);
    // Without a server no connection change will come: show the port closed.
    if (!sent) ChangeConnected(false);
}

void TPortFrm::ClosePort() {
    if (!link_->SetConnected(false)) ChangeConnected(false);
}

int TPortFrm::RegisterQuery(TBaseFrame* owner, const QString& description, bool logged) {
    return queries_.Register(owner, description, logged);
}

bool TPortFrm::IsWaiting(int qid) const {
    return std::any_of(waits_.begin(), waits_.end(),
                       [qid](const TActiveWait* w) { return w->Qid == qid; });
}

int TPortFrm::WaitBoundMs() const {
    const int perRequest = std::max(1, link_->Retries()) * link_->AnswerDelay() + kWaitMarginMs;
    return perRequest * std::max(1, link_->Outstanding());
}

int TPortFrm::WaitAnswer(int qid) {
    TQueryInfo* query = queries_.Find(qid);
    if (!query) return mbcNoAnswer;
    const QString description = query->Description;
    if (IsWaiting(qid)) {
        AddLog(QStringLiteral("Запрос \"%1\" уже ожидает ответа").arg(description));
        return mbcERC;
    }
    query->LastResult = kWaitingResult;
    if (!open_) {
        query->LastResult = mbcNoAnswer;
        return mbcNoAnswer;
    }
    TActiveWait wait(qid);
    waits_.push_back(&wait);
    QTimer bound;
    bound.setSingleShot(true);
    // An answer may have come while a nested wait keeps this one from returning: the
    // bound then changes nothing.
    connect(&bound, &QTimer::timeout, &wait.Loop, [&wait] {
        if (wait.Result != kWaitingResult) return;
        wait.Result = mbcNoAnswer;
        wait.TimedOut = true;
        wait.Loop.quit();
    });
    const int boundMs = WaitBoundMs();
    bound.start(boundMs);
    {
        TWaitScope scope;
        wait.Loop.exec();
    }
    waits_.erase(std::find(waits_.begin(), waits_.end(), &wait));
    if (wait.TimedOut)
        AddLog(QStringLiteral("%1: %2 (нет ответа за %3 с)")
                   .arg(description, ResultText(mbcNoAnswer))
                   .arg(boundMs / 1000));
    if (TQueryInfo* q = queries_.Find(qid)) q->LastResult = wait.Result;
    return wait.Result;
}

void TPortFrm::EndWaits(int qid, int result) {
    for (TActiveWait* w : waits_)
        if ((qid < 0 || w->Qid == qid) && w->Result == kWaitingResult) {
            w->Result = result;
            w->Loop.quit();
        }
}

int TPortFrm::Request(TBaseFrame* owner, int& qid, const QString& description, bool logged,
                      int address, const std::function<bool(TMBComMaster&, int)>& issue,
                      bool wait) {
    if (!link_->Connected()) return mbcERC;
    // A QID cut away by a search since the page got it is registered anew.
    if (qid == 0 || !queries_.Find(qid)) qid = RegisterQuery(owner, description, logged);
    const int id = qid;
    if (IsWaiting(id)) {
        AddLog(QStringLiteral("Запрос \"%1\" уже ожидает ответа").arg(description));
        return mbcERC;
    }
    if (!link_->SetDeviceAddres(address) || !issue(*link_, id)) return mbcERC;
    return wait ? WaitAnswer(id) : mbcOK;
}

void TPortFrm::Dispatch(int qid, int mbAddr, int funNumber, const TVariant& value, int result) {
    TQueryInfo* query = queries_.Find(qid);
    if (!query) return;  // cut away by a new search, or never given out: no page gets it
    query->LastResult = result;
    const QPointer<TBaseFrame> owner = query->Owner;
    const QString description = query->Description;
    const bool logged = query->Logged;
    // The owner's handler may start a new search, which cuts the table: nothing of the
    // entry is used after it.
    if (owner) owner->AnswerReceived(link_, qid, mbAddr, funNumber, value, result);
    const QString text = description + QStringLiteral(": ") + ResultText(result);
    ShowStatus(text);
    if (logged || FullLog()) AddLog(QString::number(mbAddr) + u':' + text);
    EndWaits(qid, result);
}

void TPortFrm::AnswerReceived(QObject*, int qid, int mbAddr, int, const TVariant& value,
                              int result) {
    if (qid != 0) return;
    if (expected_ > 0 && --expected_ == 0) btnFind_->setEnabled(open_);
    if (result != mbcOK) return;
    QString answer;
    try {
        answer = QString::fromStdString(value.ToText());
    } catch (const EVariantError&) {
        answer.clear();  // a name answer that is no text identifies nothing
    }
    emit DeviceAnswered(this, mbAddr, answer);
}

void TPortFrm::ChangeConnected(bool connected) {
    open_ = connected;
    expected_ = 0;
    btnFind_->setEnabled(connected);
    btnDel_->setEnabled(!connected);
    btnAdv_->setEnabled(!connected);
    btnConnect_->setEnabled(true);
    btnConnect_->setText(connected ? QStringLiteral("Закрыть порт")
                                   : QStringLiteral("Открыть порт"));
    btnConnect_->setAccessibleName(btnConnect_->text());
    ShowStatus(connected ? QStringLiteral("ZRT порт открыт") : QStringLiteral("ZRT порт закрыт"));
    // Requests still queued were dropped: their waits end now.
    if (!connected) EndWaits(-1, mbcNoAnswer);
    emit ConnectionChanged(this, connected);
}

void TPortFrm::CutQueries() {
    for (int qid : queries_.CutToFirst()) {
        // Periodic requests of the cut QIDs would go on answering for nobody.
        if (open_) link_->FreeTask(qid);
        EndWaits(qid, mbcNoAnswer);
    }
}

bool TPortFrm::StartSearch() {
    emit SearchStarting(this);
    CutQueries();
    const TAddressList list = ParseAddresses(edtAdrs_->text());
    expected_ = 0;
    QPalette palette = edtAdrs_->palette();
    palette.setColor(QPalette::Text, list.Ok ? this->palette().color(QPalette::Text) : Qt::red);
    edtAdrs_->setPalette(palette);
    if (!list.Ok) return false;
    if (list.Addresses.empty()) return true;  // nothing to ask; the search stays available
    btnFind_->setEnabled(false);
    btnAdv_->setEnabled(false);
    btnDel_->setEnabled(true);
    for (int address : list.Addresses) {
        if (!link_->SetDeviceAddres(address) || !link_->GetDeviceName(0)) break;
        ++expected_;
    }
    if (expected_ == 0) btnFind_->setEnabled(open_);
    return true;
}

void TPortFrm::ShowAdvanced() {
    TSetConnectForm dialog(this);
    dialog.Edit(options_);
}

}  // namespace trelon::wizard
