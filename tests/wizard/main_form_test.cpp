// The main window: its pages, the page list, navigation, page-switch messages and the
// names of its controls.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>

#include "about_box.h"
#include "config_form.h"
#include "controls.h"
#include "log_frame.h"
#include "page_messages.h"
#include "pages.h"
#include "probe_pages.h"
#include "timer_form.h"
#include "ver_info.h"

namespace trelon::wizard::test {
namespace {

QTabWidget* Tabs(TMainForm& form) {
    return form.findChild<QTabWidget*>(QStringLiteral("PgC"));
}

// Enables both navigation actions and runs one of them.
void Press(TMainForm& form, const char* action) {
    form.SetNextEnabled(true);
    form.SetPrevEnabled(true);
    form.findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

TEST(MainForm, ProgramPagesHaveTheirNamesCaptionsAndPlaces) {
    QTemporaryDir dir;
    TMainForm form(ProgramPages(), {dir.filePath(QStringLiteral("ZRT.ini")), dir.path()});
    struct {
        TPageId Id;
        const char* Name;
        const char* Caption;
    } pages[] = {
        {TPageId::SysFrm, "Setup links", "Настройки связи"},
        {TPageId::SetupFrm, "SetupFrm", "Настройки проекта"},
        {TPageId::FzFrm, "FzMain", "Расходомер - общие"},
        {TPageId::CalibFrm, "Periphery setup", "Настройка периферии"},
        {TPageId::SetFzFrm, "Setup FZ", "Настройка расходомера"},
        {TPageId::StabilFrm, "StabilFrm", "Поверка по расходу"},
        {TPageId::PoverVFrm, "PoverVFrm", "Поверка по объему"},
        {TPageId::RepFrm, "RefFrm", "Фрейм отчета"},
        {TPageId::ShiftZFrm, "CalibZero", "Калибровка нуля"},
        {TPageId::ImrFrm, "BaseFrm", "Базовый фрейм"},
        {TPageId::IptFrm, "IptFrm", "Фрейм ИПТ"},
        {TPageId::UsiFrm, "UsiFrm", "Фрейм УСИ"},
        {TPageId::PrizmFrm, "PrizmFrm", "Фрейм настройки призм"},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.Name);
        EXPECT_EQ(form.Page(p.Id)->GetFrameName(), QString::fromUtf8(p.Name));
        EXPECT_EQ(form.Page(p.Id)->GetCaption(), QString::fromUtf8(p.Caption));
    }
    EXPECT_EQ(form.LogPage()->GetFrameName(), QStringLiteral("BaseFrm"));
    EXPECT_EQ(form.PageListTexts(),
              QStringList({"Настройки связи", "Настройки проекта", "Расходомер - общие",
                           "Настройка периферии", "Настройка расходомера", "Поверка по расходу",
                           "PoverVFrm", "RepFrm"}));
    EXPECT_EQ(form.CurrentPage(), form.Page(TPageId::SysFrm));
    EXPECT_EQ(Tabs(form)->tabText(0), QStringLiteral("Настройки связи"));

    // Each tab page sits on its tab; every page has the window as an ancestor, so none can
    // turn into a window of its own.
    const std::pair<TPageId, const char*> tabs[] = {{TPageId::ImrFrm, "tsImr"},
                                                    {TPageId::IptFrm, "tsIpt"},
                                                    {TPageId::UsiFrm, "tsUsi"},
                                                    {TPageId::PrizmFrm, "tsPrizm"}};
    for (const auto& [id, tab] : tabs)
        EXPECT_EQ(form.Page(id)->parentWidget()->objectName(), QString::fromLatin1(tab));
    EXPECT_EQ(form.LogPage()->parentWidget()->objectName(), QStringLiteral("tsLog"));
    for (const auto& p : pages) EXPECT_TRUE(form.isAncestorOf(form.Page(p.Id))) << p.Name;
}

TEST(MainForm, NextAndPrevWalkTheListAndReenterAtBothEnds) {
    TProbeWindow w;
    TMainForm& form = w.Form();
    auto* stack = form.findChild<QStackedWidget*>(QStringLiteral("pnlFrame"));
    const QStringList order = {"SysFrm",   "SetupFrm",  "FzFrm",     "CalibFrm",
                               "SetFzFrm", "StabilFrm", "PoverVFrm", "RepFrm"};
    EXPECT_EQ(w.Calls("Enter"), QStringList{"SysFrm"});  // entered once at start-up

    w.Journal.clear();
    for (int i = 1; i < order.size(); ++i) {
        Press(form, "actNext");
        EXPECT_EQ(form.SelectedIndex(), i);
        EXPECT_EQ(form.CurrentPage()->GetFrameName(), order[i]);
        EXPECT_EQ(stack->currentWidget(), form.CurrentPage());
        EXPECT_EQ(Tabs(form)->tabText(0), order[i] + QStringLiteral(" caption"));
    }
    Press(form, "actNext");  // at the last page
    EXPECT_EQ(form.CurrentPage()->GetFrameName(), QStringLiteral("RepFrm"));
    EXPECT_EQ(w.Calls("Enter"), order.mid(1) + QStringList{"RepFrm"});

    w.Journal.clear();
    for (int i = 0; i < order.size(); ++i) Press(form, "ActPrev");  // the last one at the first
    EXPECT_EQ(form.CurrentPage()->GetFrameName(), QStringLiteral("SysFrm"));
    QStringList back = order.mid(0, order.size() - 1);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(w.Calls("Enter"), back + QStringList{"SysFrm"});
}

TEST(MainForm, ShowPageSwitchesListedPagesActivatesInstrumentTabsAndIgnoresOthers) {
    TProbeWindow w;
    TMainForm& form = w.Form();
    w.Journal.clear();

    form.ShowPage(form.Page(TPageId::PoverVFrm));
    EXPECT_EQ(form.CurrentPage(), form.Page(TPageId::PoverVFrm));
    EXPECT_EQ(form.SelectedIndex(), 6);

    form.ShowPage(form.Page(TPageId::IptFrm));
    EXPECT_EQ(Tabs(form)->currentWidget()->objectName(), QStringLiteral("tsIpt"));
    EXPECT_EQ(form.CurrentPage(), form.Page(TPageId::PoverVFrm));

    // Entering a wizard page brings the main tab back.
    form.ShowPage(form.Page(TPageId::SetupFrm));
    EXPECT_EQ(Tabs(form)->currentIndex(), 0);

    // Neither the zero-offset page nor the utility pages are in the list.
    for (TBaseFrame* page : {form.Page(TPageId::ShiftZFrm), form.Page(TPageId::PrizmFrm),
                             static_cast<TBaseFrame*>(form.LogPage())})
        form.ShowPage(page);
    EXPECT_EQ(form.CurrentPage(), form.Page(TPageId::SetupFrm));
    EXPECT_EQ(Tabs(form)->currentIndex(), 0);
    EXPECT_EQ(w.Journal, QStringList({"PoverVFrm.Enter", "IptFrm.Enter", "SetupFrm.Enter"}));
}

TEST(MainForm, PageMessagesSwitchPagesWhenTheEventLoopRuns) {
    struct {
        TPageMessage Message;
        TPageId Page;
    } cases[] = {{pmShowStabil, TPageId::StabilFrm},
                 {pmShowPoverV, TPageId::PoverVFrm},
                 {pmShowRep, TPageId::RepFrm},
                 {pmShowSysFrm, TPageId::SysFrm}};
    TProbeWindow w;
    TMainForm& form = w.Form();
    for (const auto& c : cases) {
        TBaseFrame* before = form.CurrentPage();
        PostPageMessage(c.Message);
        EXPECT_EQ(form.CurrentPage(), before);  // posted, not sent
        QCoreApplication::sendPostedEvents(&form);
        EXPECT_EQ(form.CurrentPage(), form.Page(c.Page)) << c.Message;
    }
}

TEST(MainForm, AutoPagesAreBoldInThePageList) {
    TProbeWindow w;
    auto* list = w.Form().findChild<QListWidget*>(QStringLiteral("lbFrame"));
    w.Probe(TPageId::StabilFrm).SetAuto(true);
    for (int row = 0; row < list->count(); ++row)
        EXPECT_EQ(list->item(row)->font().bold(), row == 5) << row;
    EXPECT_TRUE(list->isHidden());
}

// Every control a test or an assistive tool looks for is there by its component name, and
// every named control has an accessible name (a button's is its caption).
void ExpectNamed(QWidget* root, const QStringList& names) {
    for (const QString& name : names)
        EXPECT_NE(root->findChild<QObject*>(name), nullptr) << name.toStdString();
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QStringLiteral("qt_")))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (button && !button->text().isEmpty() && button->text() != QStringLiteral("...")) {
            EXPECT_EQ(w->accessibleName(), PlainCaption(button->text()))
                << w->objectName().toStdString();
        }
    }
}

TEST(MainForm, ControlsHaveObjectAndAccessibleNames) {
    TProbeWindow w;
    TMainForm& form = w.Form();
    ExpectNamed(&form, {"actNext",
                        "ActPrev",
                        "BtnNext",
                        "btnPrev",
                        "lblHint",
                        "lbFrame",
                        "PgC",
                        "pnlFrame",
                        "tsImr",
                        "tsIpt",
                        "tsUsi",
                        "tsPrizm",
                        "tsLog",
                        "SB",
                        "SgLog",
                        "btnClear",
                        "btnSave",
                        "miSaveSettings",
                        "miLoadSettings",
                        "miExit",
                        "miParams",
                        "miAbout"});

    auto* next = form.findChild<QPushButton*>(QStringLiteral("BtnNext"));
    EXPECT_EQ(next->text(), QStringLiteral("Cледующий >>"));
    EXPECT_EQ(next->text().at(0), QChar(u'C'));  // Latin
    EXPECT_EQ(next->toolTip(), QStringLiteral("[CTRL+N]"));
    EXPECT_EQ(form.findChild<QAction*>(QStringLiteral("actNext"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(form.findChild<QAction*>(QStringLiteral("ActPrev"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+P")));
    QTabWidget* tabs = Tabs(form);
    QStringList texts;
    for (int i = 1; i < tabs->count(); ++i) texts << tabs->tabText(i);
    EXPECT_EQ(texts, QStringList({"ИМР", "ИПТ", "УСИ", "Призмы", "Лог"}));
    EXPECT_FALSE(tabs->isTabVisible(tabs->indexOf(form.findChild<QWidget*>("tsPrizm"))));
}

TEST(MainForm, NextFollowsTheActionAndTheInitialHint) {
    TProbeWindow w;
    TMainForm& form = w.Form();
    auto* next = form.findChild<QPushButton*>(QStringLiteral("BtnNext"));
    form.SetNextEnabled(false);
    EXPECT_FALSE(next->isEnabled());
    form.SetNextEnabled(true);
    EXPECT_TRUE(next->isEnabled());
    next->click();
    EXPECT_EQ(form.SelectedIndex(), 1);
    form.SetHint(QStringLiteral("подсказка"));
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("lblHint"))->text(),
              QStringLiteral("подсказка"));
}

// Pictures of the window for people to look at; nothing compares them.
TEST(MainForm, WritesScreenshots) {
    QTemporaryDir dir;
    TMainForm form(ProgramPages(), {dir.filePath(QStringLiteral("ZRT.ini")), dir.path()});
    form.show();
    AddLog(QStringLiteral("Фрейм \"УСИ\" к работе не готов"));
    AddLog(QStringLiteral("3:Информация о приборе: Прибор не отвечает"));
    form.SetStatusText(QStringLiteral("ZRT порт закрыт"));
    form.SetHint(
        QStringLiteral("Для дальнейшей работы найдите все устройства\nИМР, УСИ, ИПТ и "
                       "поверяемый расходомер"));
    ASSERT_TRUE(QDir().mkpath(QStringLiteral(WIZARD_SCREENSHOT_DIR)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.grab().save(QStringLiteral(WIZARD_SCREENSHOT_DIR "/main_window.png")));
    Tabs(form)->setCurrentWidget(form.findChild<QWidget*>(QStringLiteral("tsLog")));
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.grab().save(QStringLiteral(WIZARD_SCREENSHOT_DIR "/log_page.png")));

    TAboutBox about(TVerInfoRes(), &form);
    TTimerForm countdown(10, QStringLiteral("Поверка по расходу"),
                         QStringLiteral("Установите расход и нажмите Ok"));
    TConfigForm parameters(form.Params(), &form);
    const std::pair<QWidget*, const char*> dialogs[] = {{&about, "/about_box.png"},
                                                        {&countdown, "/timed_message.png"},
                                                        {&parameters, "/parameters.png"}};
    for (const auto& [dialog, file] : dialogs) {
        dialog->show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(
            dialog->grab().save(QStringLiteral(WIZARD_SCREENSHOT_DIR) + QLatin1String(file)));
        dialog->hide();
    }
}

}  // namespace
}  // namespace trelon::wizard::test
