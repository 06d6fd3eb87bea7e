// The settings file: program parameters, the pages' sections in their order, what is kept
// of the file, and where the file is.
#include <gtest/gtest.h>
#include <QAction>
#include <QDir>
#include <QFile>

#include "ini_file.h"
#include "probe_pages.h"
#include "program_params.h"
#include "settings_path.h"

namespace trelon::wizard::test {
namespace {

TEST(ProgramParams, ReadsDefaultsAndOddValues) {
    struct {
        const char* Text;
        bool FullLog;
        bool PlaceMetrolog;
        int DialogDelay;
        const char* RepPath;
    } cases[] = {
        {"", false, true, 10, "/default/"},
        {"[Other]\nFullLog=1\n", false, true, 10, "/default/"},
        {"[mainform]\nfulllog=1\nPLACEMETROLOG=0\ndialogdelay=0x1E\nreppath=/r/\n", true, false, 30,
         "/r/"},
        {"[MainForm]\nDialogDelay=-5\n", false, true, 1, "/default/"},
        {"[MainForm]\nDialogDelay=0\nFullLog=7\n", true, true, 1, "/default/"},
        {"[MainForm]\nDialogDelay=ten\nFullLog=yes\nPlaceMetrolog=\n", false, true, 10,
         "/default/"},
        {"[MainForm]\nDialogDelay=99999999999\n", false, true, INT_MAX, "/default/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        TIniFile ini;
        ini.LoadFromText(c.Text);
        TProgramParams p;
        p.Read(ini, QStringLiteral("/default/"));
        EXPECT_EQ(p.FullLog, c.FullLog);
        EXPECT_EQ(p.PlaceMetrolog, c.PlaceMetrolog);
        EXPECT_EQ(p.DialogDelay, c.DialogDelay);
        EXPECT_EQ(p.RepPath, QString::fromUtf8(c.RepPath));
    }
}

TEST(Settings, PagesLoadAndSaveInTheirOrder) {
    TProbeWindow w;
    EXPECT_EQ(w.Calls("Load"),
              QStringList({"SysFrm", "SetupFrm", "FzFrm", "CalibFrm", "SetFzFrm", "StabilFrm",
                           "PoverVFrm", "RepFrm", "IptFrm", "UsiFrm", "ImrFrm", "PrizmFrm"}));
    w.Journal.clear();
    w.Form().SaveAllSettings();
    EXPECT_EQ(w.Calls("Save"),
              QStringList({"SysFrm", "SetupFrm", "ImrFrm", "IptFrm", "UsiFrm", "FzFrm", "SetFzFrm",
                           "CalibFrm", "StabilFrm", "PoverVFrm", "ShiftZFrm", "PrizmFrm"}));
}

TEST(Settings, RoundTripKeepsWhatTheProgramDoesNotOwn) {
    const QString original = QStringLiteral(
        "; written by hand\n"
        "[MainForm]\nFullLog=1\nPlaceMetrolog=0\nDialogDelay=3\nRepPath=/reports/\n"
        "[Unknown]\nKey=Значение\n"
        "[StabilFrm]\nProbe=old\nExtra=kept\n");
    QString saved;
    {
        TProbeWindow w(original);
        TProgramParams& p = w.Form().Params();
        EXPECT_TRUE(p.FullLog);
        EXPECT_FALSE(p.PlaceMetrolog);
        EXPECT_EQ(p.DialogDelay, 3);
        EXPECT_EQ(p.RepPath, QStringLiteral("/reports/"));
        EXPECT_EQ(w.Probe(TPageId::StabilFrm).Loaded, QStringLiteral("old"));
        p.FullLog = false;
        p.RepPath = QStringLiteral("/elsewhere/");
        w.Form().SaveAllSettings();
        saved = w.ReadSettingsFile();
    }
    TIniFile ini;
    ini.LoadFromText(saved.toStdString());
    EXPECT_EQ(ini.ReadString("MainForm", "FullLog", ""), "0");
    EXPECT_EQ(ini.ReadString("MainForm", "PlaceMetrolog", ""), "0");
    EXPECT_EQ(ini.ReadString("MainForm", "DialogDelay", ""), "3");  // never written, kept
    EXPECT_EQ(ini.ReadString("MainForm", "RepPath", ""), "/elsewhere/");
    EXPECT_EQ(ini.ReadString("Unknown", "Key", ""), "Значение");
    EXPECT_EQ(ini.ReadString("StabilFrm", "Probe", ""), "saved by StabilFrm");
    EXPECT_EQ(ini.ReadString("StabilFrm", "Extra", ""), "kept");
    EXPECT_TRUE(saved.startsWith(QStringLiteral("; written by hand\n")));

    // What one run saved, the next one loads.
    TProbeWindow again(saved);
    EXPECT_EQ(again.Form().Params().RepPath, QStringLiteral("/elsewhere/"));
    EXPECT_EQ(again.Probe(TPageId::PrizmFrm).Loaded, QStringLiteral("saved by PrizmFrm"));
}

TEST(Settings, AFreshFileGetsNoWorkplaceOrDelayKeys) {
    TProbeWindow w;
    EXPECT_FALSE(QFile::exists(w.SettingsPath()));
    w.Form().SaveAllSettings();
    TIniFile ini(w.SettingsPath().toStdString());
    EXPECT_TRUE(ini.Loaded());
    EXPECT_EQ(ini.ReadString("MainForm", "FullLog", ""), "0");
    EXPECT_FALSE(ini.ValueExists("MainForm", "PlaceMetrolog"));
    EXPECT_FALSE(ini.ValueExists("MainForm", "DialogDelay"));
    EXPECT_TRUE(ini.ValueExists("MainForm", "RepPath"));
    EXPECT_TRUE(ini.SectionExists("ShiftZFrm"));  // probes write a key; the real page none
}

TEST(Settings, NavigationStateSetDuringLoadIsIgnored) {
    // The link setup page tries to enable Next while loading, then reports not ready;
    // another page fails with its settings.
    QStringList journal;
    bool nextDuringLoad = true, prevDuringLoad = true;
    TPageTable table = ProbeTable(journal);
    table[TPageId::SysFrm] = [&] {
        auto* page = new TProbePage(QStringLiteral("SysFrm"), journal, false);
        page->Ready = false;
        page->OnLoad = [&] {
            MainForm()->SetNextEnabled(true);
            MainForm()->SetPrevEnabled(true);
            nextDuringLoad = MainForm()->NextEnabled();
            prevDuringLoad = MainForm()->PrevEnabled();
        };
        return page;
    };
    table[TPageId::FzFrm] = [&journal] {
        auto* page = new TProbePage(QStringLiteral("FzFrm"), journal, false);
        page->OnLoad = [] { throw std::runtime_error("bad value"); };
        return page;
    };
    QTemporaryDir dir;
    TMainForm form(table, {dir.filePath(QStringLiteral("ZRT.ini")), dir.path()});

    EXPECT_FALSE(nextDuringLoad);
    EXPECT_FALSE(prevDuringLoad);
    EXPECT_TRUE(form.IsInitialized());
    EXPECT_FALSE(form.NextEnabled());
    EXPECT_FALSE(form.PrevEnabled());
    EXPECT_FALSE(form.findChild<QAction*>(QStringLiteral("actNext"))->isEnabled());
    EXPECT_TRUE(journal.contains(QStringLiteral("PrizmFrm.Load")));  // the rest still loaded
    EXPECT_EQ(LogTexts(form),
              QStringList{QStringLiteral("Ошибка настроек страницы \"FzFrm\": bad value")});
    EXPECT_FALSE(form.findChild<QAction*>(QStringLiteral("miLoadSettings"))->isEnabled());
    form.SetNextEnabled(true);  // after start-up the pages decide
    EXPECT_TRUE(form.NextEnabled());
}

TEST(Settings, AFailedSaveIsLogged) {
    QTemporaryDir dir;
    QString blocker = dir.filePath(QStringLiteral("not-a-folder"));
    QFile(blocker).open(QIODevice::WriteOnly);
    QStringList journal;
    TMainForm form(ProbeTable(journal), {blocker + QStringLiteral("/ZRT.ini"), dir.path()});
    form.SaveAllSettings();
    QStringList log = LogTexts(form);
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral("Не удалось сохранить настройки: ")))
        << log[0].toStdString();
}

TEST(SettingsPath, ChoosesTheFileByOptionPortableFileOrUserConfig) {
    QTemporaryDir exe, bare;
    QFile(exe.filePath(QStringLiteral("ZRT.ini"))).open(QIODevice::WriteOnly);
    struct {
        const char* Option;
        QString ExeDir;
        const char* Xdg;
        QString Expected;
    } cases[] = {
        {"/etc/x.ini", exe.path(), "/xdg", QStringLiteral("/etc/x.ini")},
        {"", exe.path(), "/xdg", exe.filePath(QStringLiteral("ZRT.ini"))},
        {"", bare.path(), "/xdg", QStringLiteral("/xdg/Metrovik/ZRT.ini")},
        {"", bare.path(), "", QStringLiteral("/home/op/.config/Metrovik/ZRT.ini")},
        {"", bare.path(), "relative", QStringLiteral("/home/op/.config/Metrovik/ZRT.ini")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected.toStdString());
        TPathEnvironment env{c.ExeDir, QString::fromLatin1(c.Xdg), QStringLiteral("/home/op")};
        EXPECT_EQ(ResolveSettingsPath(QString::fromLatin1(c.Option), env), c.Expected);
    }
    EXPECT_EQ(DefaultReportPath({exe.path(), {}, QStringLiteral("/home/op")}), exe.path() + u'/');
}

}  // namespace
}  // namespace trelon::wizard::test
