// The log page, the countdown message, the parameters dialog, the version information and
// the command line.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "about_box.h"
#include "config_form.h"
#include "log_frame.h"
#include "message_box.h"
#include "pages.h"
#include "probe_pages.h"
#include "run_options.h"
#include "timer_form.h"
#include "ver_info.h"

namespace trelon::wizard::test {
namespace {

QString ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                          : QStringLiteral("<missing>");
}

template <class T = QWidget>
T* Child(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

TEST(LogPage, AddsSavesAndClears) {
    QTemporaryDir dir;
    TLogFrm log;
    QString empty = dir.filePath(QStringLiteral("empty.txt"));
    ASSERT_TRUE(log.SaveToFile(empty, nullptr));
    EXPECT_EQ(ReadFile(empty), QString());

    log.AddLog(QStringLiteral("первая"));
    log.AddLog(QStringLiteral("3:Информация о приборе: Ок"));
    ASSERT_EQ(log.Count(), 2);
    EXPECT_FALSE(log.Stamp(0).isEmpty());
    QString path = dir.filePath(QStringLiteral("log.txt"));
    ASSERT_TRUE(log.SaveToFile(path, nullptr));
    EXPECT_EQ(ReadFile(path), log.Stamp(0) + QStringLiteral("\tпервая\n") + log.Stamp(1) +
                                  QStringLiteral("\t3:Информация о приборе: Ок\n"));

    QString error;
    EXPECT_FALSE(log.SaveToFile(dir.filePath(QStringLiteral("no/such/folder/log.txt")), &error));
    EXPECT_FALSE(error.isEmpty());

    Child<QPushButton>(&log, "btnClear")->click();
    EXPECT_EQ(log.Count(), 0);
}

// The countdown is driven by calling Tick, one second each; focus changes arrive as the
// events the window system would send.
void SendFocus(QWidget* w, QEvent::Type type, Qt::FocusReason reason) {
    QFocusEvent event(type, reason);
    QApplication::sendEvent(w, &event);
}

TEST(TimedMessage, CountsDownAndPressesOk) {
    TTimerForm box(3, QStringLiteral("Поверка"), QStringLiteral("Текст"));
    box.show();
    QStringList captions{box.OkCaption()};
    for (int i = 0; i < 3; ++i) {
        box.Tick();
        captions << box.OkCaption();
    }
    EXPECT_EQ(captions, QStringList({"Ok (3) секунд...", "Ok (2) секунд...", "Ok (1) секунд...",
                                     "Ok (0) секунд..."}));
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_FALSE(box.isVisible());
}

TEST(TimedMessage, OnlyTheOperatorStopsTheCountdown) {
    struct {
        const char* Name;
        std::function<void(TTimerForm&)> Act;
        bool Stops;
    } cases[] = {
        {"click on the text",
         [](TTimerForm& b) { QTest::mouseClick(Child(&b, "lblText"), Qt::LeftButton); }, true},
        {"click on the window", [](TTimerForm& b) { QTest::mouseClick(&b, Qt::LeftButton); }, true},
        {"Tab to Отмена",
         [](TTimerForm& b) {
             SendFocus(Child(&b, "btnCancel"), QEvent::FocusIn, Qt::TabFocusReason);
         },
         true},
        {"OK loses the focus to a click",
         [](TTimerForm& b) {
             SendFocus(Child(&b, "btnOk"), QEvent::FocusOut, Qt::MouseFocusReason);
         },
         true},
        {"another window becomes active",
         [](TTimerForm& b) {
             SendFocus(Child(&b, "btnOk"), QEvent::FocusOut, Qt::ActiveWindowFocusReason);
         },
         false},
        {"the program moves the focus",
         [](TTimerForm& b) {
             SendFocus(Child(&b, "btnCancel"), QEvent::FocusIn, Qt::OtherFocusReason);
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TTimerForm box(3, {}, QStringLiteral("Текст"));
        box.show();
        box.Tick();
        c.Act(box);
        box.Tick();
        box.Tick();
        box.Tick();
        if (c.Stops) {
            EXPECT_EQ(box.OkCaption(), QStringLiteral("Ok"));
            EXPECT_EQ(box.SecondsLeft(), 2);
            EXPECT_TRUE(box.isVisible());  // waits for the operator
        } else {
            EXPECT_FALSE(box.isVisible());
            EXPECT_EQ(box.result(), QDialog::Accepted);
        }
    }
}

TEST(TimedMessage, ModalRunReturnsHowItClosedAndCountsAsAWait) {
    QTemporaryDir dir;
    QStringList journal;
    TMainForm form(ProbeTable(journal), {dir.filePath(QStringLiteral("ZRT.ini")), dir.path(),
                                         1000.0});  // a second lasts 1 ms
    EXPECT_TRUE(ShowTimedMessage(3, QStringLiteral("Поверка"), QStringLiteral("Готово")));

    int depthInside = 0;
    QTimer::singleShot(0, [&] {
        depthInside = form.Waits().Depth();
        Child<QPushButton>(QApplication::activeModalWidget(), "btnCancel")->click();
    });
    EXPECT_FALSE(ShowTimedMessage(1000, {}, QStringLiteral("Отменить?")));
    EXPECT_EQ(depthInside, 1);
    EXPECT_EQ(form.Waits().Depth(), 0);
}

// The parameters dialog on its own parameters, with messages recorded.
class Parameters : public ::testing::Test {
  protected:
    Parameters() : dialog_(params_) {
        previous_ = SetMessageHandler([this](QWidget*, const QString& t) { messages_ << t; });
        params_.FullLog = false;
        params_.RepPath = QStringLiteral("/old/");
        dialog_.show();
    }
    ~Parameters() override { SetMessageHandler(previous_); }
    void Fill(const QString& path, bool fullLog) {
        Child<QLineEdit>(&dialog_, "Edit1")->setText(path);
        Child<QCheckBox>(&dialog_, "chbFullLog")->setChecked(fullLog);
    }
    void Press(const char* button) { Child<QPushButton>(&dialog_, button)->click(); }
    QString Edit() { return Child<QLineEdit>(&dialog_, "Edit1")->text(); }

    TProgramParams params_;
    TConfigForm dialog_;
    QStringList messages_;
    TMessageHandler previous_;
    QTemporaryDir dir_;
};

TEST_F(Parameters, ShowsTheParametersAndSavesAnExistingFolderWithASlash) {
    EXPECT_EQ(Edit(), QStringLiteral("/old/"));
    Fill(QStringLiteral("  ") + dir_.path() + QStringLiteral(" "), true);
    Press("btnSave");
    EXPECT_EQ(Edit(), dir_.path() + u'/');
    EXPECT_EQ(params_.RepPath, dir_.path() + u'/');
    EXPECT_TRUE(params_.FullLog);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(Parameters, SaveRefusesAFolderThatDoesNotExist) {
    for (QString path : {QStringLiteral(""), dir_.filePath(QStringLiteral("missing"))}) {
        messages_.clear();
        Fill(path, true);
        Press("btnSave");
        QString shown = path.isEmpty() ? path : path + u'/';
        EXPECT_EQ(Edit(), shown);
        EXPECT_EQ(messages_, QStringList{QStringLiteral("Указанный путь \"") + shown +
                                         QStringLiteral("\" не существует.\nУкажите правильный "
                                                        "каталог в \"настройках\"")});
        EXPECT_TRUE(dialog_.isVisible());
        EXPECT_EQ(params_.RepPath, QStringLiteral("/old/"));
        EXPECT_FALSE(params_.FullLog);
    }
}

TEST_F(Parameters, CancelAlwaysClosesAndTakesOverOnlyAnExistingFolder) {
    Fill(dir_.filePath(QStringLiteral("missing")), true);
    Press("btnCancel");
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_EQ(params_.RepPath, QStringLiteral("/old/"));
    EXPECT_FALSE(params_.FullLog);

    dialog_.show();
    Fill(dir_.path(), true);
    Press("btnCancel");
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(params_.RepPath, dir_.path());  // as typed: the slash is added by Save only
    EXPECT_TRUE(params_.FullLog);
}

TEST(VersionInfo, ComesFromTheBuild) {
    TVerInfoRes built;
    EXPECT_EQ(built.Item(QStringLiteral("ProductName")), QStringLiteral("Metrovik"));
    EXPECT_TRUE(built.Item(QStringLiteral("FileVersion")).startsWith(WIZARD_PROJECT_VERSION));
    EXPECT_EQ(built.Item(QStringLiteral("NoSuchItem")), QString());

    TVerInfoRes info({{QStringLiteral("ProductName"), QStringLiteral("P")},
                      {QStringLiteral("FileVersion"), QStringLiteral("1.2.3")},
                      {QStringLiteral("LegalCopyright"), QStringLiteral("L")},
                      {QStringLiteral("Comments"), QStringLiteral("C")}},
                     {QStringLiteral("Pre-release"), QStringLiteral("Debug")});
    TAboutBox box(info);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("О программе \"Metrovik\""));
    EXPECT_EQ(Child<QLabel>(&box, "Version")->text(),
              QStringLiteral("Версия: 1.2.3 Pre-release Debug"));
    EXPECT_TRUE(Child<QLabel>(&box, "ProductName")->font().bold());
    for (const char* label : {"Copyright", "Comments"})
        EXPECT_EQ(Child<QLabel>(&box, label)->text().size(), 1) << label;
}

TEST(RunOptions, ReadsConfigAndTimeScale) {
    struct {
        QStringList Args;
        bool Ok;
        int ExitCode;
        QString Config;
        double Scale;
    } cases[] = {
        {{}, true, 0, {}, 1.0},
        {{"--config", "/tmp/a.ini", "--time-scale", "20"}, true, 0, "/tmp/a.ini", 20.0},
        {{"--time-scale=0.5"}, true, 0, {}, 0.5},
        {{"--time-scale", "0"}, false, 2, {}, 0},
        {{"--time-scale", "-3"}, false, 2, {}, 0},
        {{"--time-scale", "fast"}, false, 2, {}, 0},
        {{"--time-scale", "inf"}, false, 2, {}, 0},
        {{"--config"}, false, 2, {}, 0},
        {{"--bogus"}, false, 2, {}, 0},
        {{"extra"}, false, 2, {}, 0},
        {{"--help"}, false, 0, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.join(u' ').toStdString());
        QString error;
        int exitCode = -1;
        auto options = ParseRunOptions(QStringList{"metrovik"} + c.Args, error, exitCode);
        EXPECT_EQ(options.has_value(), c.Ok);
        EXPECT_EQ(exitCode, c.ExitCode);
        if (options) {
            EXPECT_EQ(options->ConfigPath, c.Config);
            EXPECT_DOUBLE_EQ(options->TimeScale, c.Scale);
        } else {
            EXPECT_FALSE(error.isEmpty());
        }
    }
}

}  // namespace
}  // namespace trelon::wizard::test
