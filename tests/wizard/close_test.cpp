// Closing the main window: deferred while a page waits, saved, the flowmeter returned to
// working mode; and the wait tracker behind the deferral.
#include <gtest/gtest.h>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include "log_frame.h"
#include "pages.h"
#include "probe_pages.h"
#include "wait_tracker.h"

namespace trelon::wizard::test {
namespace {

// Runs body inside a wait: a wait scope around an event loop, as a page waiting for an
// answer does. The loop ends after body's events have run.
void InsideWait(const std::function<void()>& body) {
    TWaitScope wait;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        body();
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    loop.exec();
}

TEST(WaitTracker, RunsActionsOnlyFromTheEventLoopOutsideEveryWait) {
    TWaitTracker tracker;
    QStringList done;
    tracker.RunWhenIdle([&] { done << "idle"; });
    EXPECT_TRUE(done.isEmpty());  // not inside the caller
    ASSERT_TRUE(ProcessUntil([&] { return !done.isEmpty(); }));

    tracker.Enter();
    tracker.Enter();
    tracker.RunWhenIdle([&] { done << "nested"; });
    QCoreApplication::processEvents();
    tracker.Leave();
    QCoreApplication::processEvents();
    EXPECT_EQ(done, QStringList{"idle"});  // the outer wait still runs
    tracker.Leave();
    EXPECT_EQ(done, QStringList{"idle"});  // the waiting code goes on first
    EXPECT_TRUE(ProcessUntil([&] { return done.size() == 2; }));

    // Requested outside any wait, but a wait began before the event loop ran it.
    tracker.RunWhenIdle([&] { done << "late"; });
    tracker.Enter();
    QCoreApplication::processEvents();
    EXPECT_EQ(done.size(), 2);
    tracker.Leave();
    EXPECT_TRUE(ProcessUntil([&] { return done.size() == 3; }));
}

TEST(Close, WaitsForTheOutermostWaitAndSavesOnce) {
    TProbeWindow w;
    TMainForm& form = w.Form();
    form.show();
    bool visibleInInnerWait = false;
    InsideWait([&] {
        InsideWait([&] {
            form.close();
            form.close();  // a second request changes nothing
            QCoreApplication::processEvents();
            visibleInInnerWait = form.isVisible();
        });
        EXPECT_TRUE(form.isVisible());  // the outer wait is still active
        EXPECT_TRUE(form.IsClosing());
        EXPECT_TRUE(w.Calls("Save").isEmpty());
    });
    EXPECT_TRUE(visibleInInnerWait);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(ProcessUntil([&] { return !form.isVisible(); }));
    EXPECT_EQ(w.Calls("Save").count(QStringLiteral("SysFrm")), 1);
    EXPECT_TRUE(QFile::exists(w.SettingsPath()));
    EXPECT_FALSE(form.IsClosing());
}

TEST(Close, ReturnsTheFlowmeterToWorkingMode) {
    const QString hint = QStringLiteral("Перевод прибора в \"рабочий\" режим...");
    const QString failed = QStringLiteral("Команда \"смена режима прибора\" не прошла");
    struct {
        const char* Name;
        bool ReadOk;
        int Mode;
        bool WriteOk;
        QStringList Calls;
        bool Hint;
        bool Logged;
    } cases[] = {
        {"read fails", false, 0, true, {"ReadMode"}, false, false},
        {"already working", true, 1, true, {"ReadMode"}, false, false},
        {"verification mode",
         true,
         0,
         true,
         {"ReadMode", "WriteMode(0)", "WaitForMode(0,20)"},
         true,
         false},
        {"command fails", true, 2, false, {"ReadMode", "WriteMode(0)"}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TProbeWindow w;
        TFlowmeterProbe& fz = w.Flowmeter();
        fz.ReadOk = c.ReadOk;
        fz.Mode = c.Mode;
        fz.WriteOk = c.WriteOk;
        w.Form().show();
        w.Journal.clear();
        w.Form().close();
        ASSERT_TRUE(ProcessUntil([&] { return !w.Form().isVisible(); }));
        QStringList modeCalls = w.Journal.filter(QStringLiteral("Mode"));
        EXPECT_EQ(modeCalls, c.Calls);
        // The settings are saved before the flowmeter is asked anything.
        EXPECT_LT(w.Journal.indexOf(QStringLiteral("PrizmFrm.Save")),
                  w.Journal.indexOf(QStringLiteral("ReadMode")));
        EXPECT_EQ(w.Form().Hint() == hint, c.Hint);
        EXPECT_EQ(LogTexts(w.Form()).contains(failed), c.Logged);
    }
}

TEST(Close, AnotherCloseDuringTheModeChangeIsIgnored) {
    TProbeWindow w;
    TFlowmeterProbe& fz = w.Flowmeter();
    fz.Mode = 0;
    fz.DuringRead = [&] { InsideWait([&] { w.Form().close(); }); };
    w.Form().show();
    w.Form().close();
    ASSERT_TRUE(ProcessUntil([&] { return !w.Form().isVisible(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Journal.count(QStringLiteral("ReadMode")), 1);
    EXPECT_EQ(w.Journal.count(QStringLiteral("WriteMode(0)")), 1);
    EXPECT_EQ(w.Calls("Save").count(QStringLiteral("SysFrm")), 1);
}

TEST(Close, WithoutAFlowmeterPageTheProgramSavesAndCloses) {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("ZRT.ini"));
    TMainForm form(ProgramPages(), {path, dir.path()});
    form.show();
    form.close();
    ASSERT_TRUE(ProcessUntil([&] { return !form.isVisible(); }));
    EXPECT_TRUE(QFile::exists(path));
    // Only the link setup page's word that it is not ready (no ports yet): no exchange.
    for (const QString& text : LogTexts(form))
        EXPECT_EQ(text, QStringLiteral("Не все COM-порты подключены"));
}

}  // namespace
}  // namespace trelon::wizard::test
