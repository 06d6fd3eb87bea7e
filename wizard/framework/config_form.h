// The program parameters dialog "Параметры": full log and the report folder.
#pragma once

#include <QDialog>

#include "program_params.h"

class QCheckBox;
class QLineEdit;

namespace trelon::wizard {

class TConfigForm : public QDialog {
    Q_OBJECT
  public:
    // The dialog edits params in place when it closes.
    explicit TConfigForm(TProgramParams& params, QWidget* parent = nullptr);

    // "Сохранить": adds the trailing '/' to a non-empty path, then closes.
    void Save();
    // Every close: an existing folder takes over the check box and the path. "Сохранить"
    // with a folder that does not exist shows a message and keeps the dialog open;
    // "Отмена" always closes, leaving the parameters as they were.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ChooseFolder();

    TProgramParams& params_;
    QCheckBox* fullLog_;
    QLineEdit* path_;
};

}  // namespace trelon::wizard
