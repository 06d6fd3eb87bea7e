#include "main_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "about_box.h"
#include "base_frame.h"
#include "config_form.h"
#include "controls.h"
#include "log_frame.h"
#include "page_messages.h"
#include "ver_info.h"
#include "working_mode.h"

namespace trelon::wizard {

namespace {
TMainForm* g_mainForm = nullptr;

QWidget* NewTab(QWidget* parent, const char* name, const QString& caption) {
    auto* tab = Named(new QWidget(parent), name, caption);
    new QVBoxLayout(tab);
    return tab;
}
}  // namespace

TMainForm* MainForm() {
    return g_mainForm;
}

TMainForm::TMainForm(const TPageTable& pages, TMainFormOptions options, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      options_(std::move(options)) {
    g_mainForm = this;
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(kProductTitle));
    BuildControls();
    BuildMenus();
    CreatePages(pages);
    LoadAllSettings();
}

TMainForm::~TMainForm() {
    // Pages being destroyed must not reach a half-destroyed window.
    g_mainForm = nullptr;
}

void TMainForm::BuildControls() {
    actPrev_ = new QAction(QStringLiteral("<< Предыдущий"), this);
    actPrev_->setObjectName(QStringLiteral("ActPrev"));
    actPrev_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    actNext_ = new QAction(QStringLiteral("Cледующий >>"), this);  // the first letter is Latin
    actNext_->setObjectName(QStringLiteral("actNext"));
    actNext_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    for (QAction* a : {actPrev_, actNext_}) {
        a->setEnabled(false);
        addAction(a);
    }
    connect(actPrev_, &QAction::triggered, this, [this] { Navigate(-1); });
    connect(actNext_, &QAction::triggered, this, [this] { Navigate(+1); });

    auto* central = Named(new QWidget(this), "pnlMain", QStringLiteral("Metrovik"));
    lbFrame_ = Named(new QListWidget(central), "lbFrame", QStringLiteral("Страницы"));
    lbFrame_->setVisible(false);
    pgc_ = Named(new QTabWidget(central), "PgC", QStringLiteral("Страницы мастера"));
    pnlFrame_ = Named(new QStackedWidget(pgc_), "pnlFrame", QStringLiteral("Поверка"));
    pnlFrame_->addWidget(new QWidget(pnlFrame_));  // shown while no page is current
    pnlFrame_->setMinimumSize(760, 480);
    tsImr_ = NewTab(pgc_, "tsImr", QStringLiteral("ИМР"));
    tsIpt_ = NewTab(pgc_, "tsIpt", QStringLiteral("ИПТ"));
    tsUsi_ = NewTab(pgc_, "tsUsi", QStringLiteral("УСИ"));
    tsPrizm_ = NewTab(pgc_, "tsPrizm", QStringLiteral("Призмы"));
    tsLog_ = NewTab(pgc_, "tsLog", QStringLiteral("Лог"));
    for (QWidget* tab :
         {static_cast<QWidget*>(pnlFrame_), tsImr_, tsIpt_, tsUsi_, tsPrizm_, tsLog_})
        pgc_->addTab(tab, tab->accessibleName());
    pgc_->setTabVisible(pgc_->indexOf(tsPrizm_), false);
    connect(pgc_, &QTabWidget::currentChanged, this, &TMainForm::TabShown);

    auto* splitter = Named(new QSplitter(central), "Splitter1", QStringLiteral("Разделитель"));
    splitter->addWidget(lbFrame_);
    splitter->addWidget(pgc_);

    auto* prev = Named(new QPushButton(actPrev_->text(), central), "btnPrev");
    auto* next = Named(new QPushButton(actNext_->text(), central), "BtnNext");
    next->setDefault(true);
    next->setToolTip(QStringLiteral("[CTRL+N]"));
    BindButton(prev, actPrev_);
    BindButton(next, actNext_);
    lblHint_ = Named(new QLabel(QStringLiteral("Нажмите кнопку \"следующий\""), central), "lblHint",
                     QStringLiteral("Подсказка"));
    lblHint_->setAlignment(Qt::AlignCenter);
    lblHint_->setWordWrap(true);
    QFont bold = lblHint_->font();
    bold.setBold(true);
    lblHint_->setFont(bold);
    QPalette palette = lblHint_->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    lblHint_->setPalette(palette);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(prev);
    bottom->addWidget(lblHint_, 1);
    bottom->addWidget(next);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    setCentralWidget(central);

    NameControl(statusBar(), "SB", QStringLiteral("Строка состояния"));
    statusBar()->setSizeGripEnabled(false);
    sbPanel_ = Named(new QLabel(statusBar()), "SBPanel0", QStringLiteral("Состояние"));
    sbPanel_->setMinimumWidth(50);
    statusBar()->addWidget(sbPanel_, 1);

    // The window takes the size of its contents and the operator does not resize it.
    this->layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TMainForm::BuildMenus() {
    menuBar()->setObjectName(QStringLiteral("MainMenu"));
    menuBar()->setAccessibleName(QStringLiteral("Главное меню"));
    auto addItem = [this](QMenu* menu, const char* name, const QString& text, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto addMenu = [this](const char* name, const QString& title) {
        return Named(menuBar()->addMenu(title), name, title);
    };
    QMenu* main = addMenu("mnuMain", QStringLiteral("Главная"));
    addItem(main, "miSaveSettings", QStringLiteral("Сохранить настройки"),
            [this] { SaveAllSettings(); });
    actLoadSettings_ = addItem(main, "miLoadSettings", QStringLiteral("Загрузить настройки"),
                               [this] { LoadAllSettings(); });
    main->addSeparator();
    addItem(main, "miExit", QStringLiteral("Выход"), [this] { close(); });
    QMenu* settings = addMenu("mnuSettings", QStringLiteral("Настройки"));
    addItem(settings, "miParams", QStringLiteral("Параметры"), [this] { ShowParameters(); });
    QMenu* help = addMenu("mnuHelp", QStringLiteral("?"));
    addItem(help, "miAbout", QStringLiteral("О программе"), [this] { ShowAbout(); });
}

TBaseFrame* TMainForm::CreatePage(const TPageTable& table, TPageId id) {
    auto it = table.find(id);
    TBaseFrame* page = it != table.end() && it->second ? it->second() : nullptr;
    if (!page) throw std::logic_error("the page table has no page " + std::to_string(int(id)));
    // Wizard pages live in the main tab's stack; tab pages move to their tab.
    pnlFrame_->addWidget(page);
    pages_[id] = page;
    return page;
}

void TMainForm::AddToList(const QString& text, TBaseFrame* page) {
    pageList_.emplace_back(text, page);
    lbFrame_->addItem(text);
}

void TMainForm::PutOnTab(TBaseFrame* page, QWidget* tab) {
    tab->layout()->addWidget(page);
}

void TMainForm::CreatePages(const TPageTable& table) {
    TBaseFrame* setup = CreatePage(table, TPageId::SetupFrm);
    initialized_ = false;
    TBaseFrame* sys = CreatePage(table, TPageId::SysFrm);
    AddToList(sys->GetCaption(), sys);
    AddToList(setup->GetCaption(), setup);
    current_ = sys;

    PutOnTab(CreatePage(table, TPageId::ImrFrm), tsImr_);
    PutOnTab(CreatePage(table, TPageId::IptFrm), tsIpt_);
    PutOnTab(CreatePage(table, TPageId::UsiFrm), tsUsi_);
    logFrm_ = new TLogFrm;
    PutOnTab(logFrm_, tsLog_);
    PutOnTab(CreatePage(table, TPageId::PrizmFrm), tsPrizm_);

    for (TPageId id : {TPageId::FzFrm, TPageId::CalibFrm, TPageId::SetFzFrm}) {
        TBaseFrame* page = CreatePage(table, id);
        AddToList(page->GetCaption(), page);
    }
    CreatePage(table, TPageId::ShiftZFrm);
    TBaseFrame* stabil = CreatePage(table, TPageId::StabilFrm);
    AddToList(stabil->GetCaption(), stabil);
    AddToList(QStringLiteral("PoverVFrm"), CreatePage(table, TPageId::PoverVFrm));
    AddToList(QStringLiteral("RepFrm"), CreatePage(table, TPageId::RepFrm));

    lbFrame_->setCurrentRow(0);
    SwitchToSelected();
    ActivateMainTab();
    initialized_ = true;
}

void TMainForm::SwitchToSelected() {
    int row = lbFrame_->currentRow();
    if (row < 0 || row >= int(pageList_.size())) return;
    pnlFrame_->setCurrentIndex(0);  // the page that was current is no longer shown
    current_ = pageList_[size_t(row)].second;
    current_->Enter(pnlFrame_);
}

void TMainForm::Navigate(int step) {
    int row = lbFrame_->currentRow();
    if (step > 0 && row < int(pageList_.size()) - 1) ++row;
    if (step < 0 && row > 0) --row;
    lbFrame_->setCurrentRow(row);
    SwitchToSelected();
}

void TMainForm::ShowPage(TBaseFrame* page) {
    if (!page) return;
    const std::pair<TPageId, QWidget*> tabs[] = {
        {TPageId::ImrFrm, tsImr_}, {TPageId::IptFrm, tsIpt_}, {TPageId::UsiFrm, tsUsi_}};
    for (const auto& [id, tab] : tabs)
        if (pages_.count(id) && pages_.at(id) == page) {
            pgc_->setCurrentWidget(tab);
            return;
        }
    for (size_t row = 0; row < pageList_.size(); ++row)
        if (pageList_[row].second == page) {
            lbFrame_->setCurrentRow(int(row));
            SwitchToSelected();
            return;
        }
}

void TMainForm::TabShown(int index) {
    QWidget* tab = pgc_->widget(index);
    const std::pair<TPageId, QWidget*> tabs[] = {
        {TPageId::ImrFrm, tsImr_}, {TPageId::IptFrm, tsIpt_}, {TPageId::UsiFrm, tsUsi_}};
    for (const auto& [id, t] : tabs)
        if (t == tab && pages_.count(id)) pages_.at(id)->Enter(tab);
}

void TMainForm::SetNextEnabled(bool enabled) {
    if (!initialized_) return;
    nextEnabled_ = enabled;
    actNext_->setEnabled(enabled);
}

void TMainForm::SetPrevEnabled(bool enabled) {
    if (!initialized_) return;
    prevEnabled_ = enabled;
    actPrev_->setEnabled(enabled);
}

void TMainForm::SetHint(const QString& text) {
    lblHint_->setText(text);
}

QString TMainForm::Hint() const {
    return lblHint_->text();
}

void TMainForm::SetStatusText(const QString& text) {
    sbPanel_->setText(text);
}

QString TMainForm::StatusText() const {
    return sbPanel_->text();
}

void TMainForm::SetMainTabCaption(const QString& caption) {
    pgc_->setTabText(0, caption);
}

void TMainForm::ActivateMainTab() {
    pgc_->setCurrentIndex(0);
}

void TMainForm::RefreshPageList() {
    for (size_t row = 0; row < pageList_.size(); ++row) {
        QListWidgetItem* item = lbFrame_->item(int(row));
        QFont font = item->font();
        font.setBold(pageList_[row].second->IsAuto());
        item->setFont(font);
    }
}

QStringList TMainForm::PageListTexts() const {
    QStringList texts;
    for (const auto& entry : pageList_) texts << entry.first;
    return texts;
}

int TMainForm::SelectedIndex() const {
    return lbFrame_->currentRow();
}

void TMainForm::ShowParameters() {
    if (!configForm_) configForm_ = new TConfigForm(params_, this);
    configForm_->exec();
}

void TMainForm::ShowAbout() {
    ShowAboutBox(this);
}

bool TMainForm::event(QEvent* event) {
    const std::pair<int, TPageId> messages[] = {{pmShowStabil, TPageId::StabilFrm},
                                                {pmShowSysFrm, TPageId::SysFrm},
                                                {pmShowPoverV, TPageId::PoverVFrm},
                                                {pmShowRep, TPageId::RepFrm}};
    for (const auto& [type, id] : messages)
        if (event->type() == type) {
            ShowPage(pages_.at(id));
            return true;
        }
    return QMainWindow::event(event);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (centred_) return;
    centred_ = true;
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (closeAllowed_) {
        QMainWindow::closeEvent(event);
        return;
    }
    // The close runs from the event loop once no page is inside a wait: the waiting code
    // still uses what the close would tear down. Further requests meanwhile are ignored.
    event->ignore();
    if (closing_) return;
    closing_ = true;
    waits_.RunWhenIdle([this] { FinishClose(); });
}

void TMainForm::FinishClose() {
    SaveAllSettings();
    ReturnFlowmeterToWorkingMode();
    closeAllowed_ = true;
    close();
    closeAllowed_ = false;
    closing_ = false;
}

void TMainForm::ReturnFlowmeterToWorkingMode() {
    auto* flowmeter = dynamic_cast<TWorkingModeControl*>(pages_.at(TPageId::FzFrm));
    if (!flowmeter) return;
    int mode = 0;
    if (!flowmeter->ReadMode(mode) || mode == 1) return;
    SetHint(QStringLiteral("Перевод прибора в \"рабочий\" режим..."));
    if (flowmeter->WriteMode(false))
        flowmeter->WaitForMode(false, 20);
    else
        AddLog(QStringLiteral("Команда \"смена режима прибора\" не прошла"));
}

}  // namespace trelon::wizard
