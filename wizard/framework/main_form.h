// The main window: the wizard pages in the main tab with Prev/Next, the instrument and
// utility pages on further tabs, the hint line, the status bar and the menus. It owns every
// page for the whole run.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <map>
#include <utility>
#include <vector>

#include "page_table.h"
#include "program_params.h"
#include "wait_tracker.h"

class QAction;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTabWidget;

namespace trelon::wizard {

class TBaseFrame;
class TConfigForm;
class TLogFrm;

struct TMainFormOptions {
    QString SettingsPath;    // the settings file "ZRT.ini"
    QString ReportPath;      // default report folder when the file names none
    double TimeScale = 1.0;  // speed-up factor of waits and countdowns
};

class TMainForm : public QMainWindow {
    Q_OBJECT
  public:
    // Creates every page from the table, shows the link setup page and loads the settings.
    TMainForm(const TPageTable& pages, TMainFormOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Services for the pages.
    void ShowPage(TBaseFrame* page);
    void SetNextEnabled(bool enabled);
    void SetPrevEnabled(bool enabled);
    void SetHint(const QString& text);
    void RefreshPageList();
    void SaveAllSettings();
    void LoadAllSettings();
    void SetStatusText(const QString& text);
    // Used by TBaseFrame::Enter.
    void SetMainTabCaption(const QString& caption);
    void ActivateMainTab();

    TBaseFrame* Page(TPageId id) const { return pages_.at(id); }
    template <class T>
    T* PageAs(TPageId id) const {
        return dynamic_cast<T*>(Page(id));
    }
    TLogFrm* LogPage() const { return logFrm_; }
    TBaseFrame* CurrentPage() const { return current_; }
    // The page list: list texts in order, and the selected index.
    QStringList PageListTexts() const;
    int SelectedIndex() const;
    QString Hint() const;
    QString StatusText() const;
    bool IsInitialized() const { return initialized_; }
    bool NextEnabled() const { return nextEnabled_; }
    bool PrevEnabled() const { return prevEnabled_; }
    TProgramParams& Params() { return params_; }
    const QString& SettingsPath() const { return options_.SettingsPath; }
    double TimeScale() const { return options_.TimeScale; }
    TWaitTracker& Waits() { return waits_; }
    // True from the first close request until the window has closed.
    bool IsClosing() const { return closing_; }

    // Menu commands.
    void ShowParameters();
    void ShowAbout();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    void BuildMenus();
    void CreatePages(const TPageTable& table);
    TBaseFrame* CreatePage(const TPageTable& table, TPageId id);
    void AddToList(const QString& text, TBaseFrame* page);
    void PutOnTab(TBaseFrame* page, QWidget* tab);
    void SwitchToSelected();
    void Navigate(int step);
    void TabShown(int index);
    void FinishClose();
    void ReturnFlowmeterToWorkingMode();

    TMainFormOptions options_;
    TProgramParams params_;
    TWaitTracker waits_;
    std::map<TPageId, TBaseFrame*> pages_;
    std::vector<std::pair<QString, TBaseFrame*>> pageList_;
    TLogFrm* logFrm_ = nullptr;
    TBaseFrame* current_ = nullptr;
    bool initialized_ = false;
    bool nextEnabled_ = false;
    bool prevEnabled_ = false;
    bool closing_ = false;
    bool closeAllowed_ = false;
    bool centred_ = false;

    QListWidget* lbFrame_;
    QTabWidget* pgc_;
    QStackedWidget* pnlFrame_;
    QWidget* tsImr_;
    QWidget* tsIpt_;
    QWidget* tsUsi_;
    QWidget* tsPrizm_;
    QWidget* tsLog_;
    QAction* actNext_;
    QAction* actPrev_;
    QAction* actLoadSettings_;
    QLabel* lblHint_;
    QLabel* sbPanel_;
    TConfigForm* configForm_ = nullptr;
};

// The single main window (nullptr before it is built and after it is gone).
TMainForm* MainForm();

}  // namespace trelon::wizard
