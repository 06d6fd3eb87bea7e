// TSetConnectForm "Настройки связи": the link type, inter-byte interval and retries of a
// port, edited modally.
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace trelon::wizard {

struct TLinkOptions;

class TSetConnectForm : public QDialog {
    Q_OBJECT
  public:
    explicit TSetConnectForm(QWidget* parent = nullptr);

    // Shows the options; on "Да" copies the edited values back. True when accepted.
    bool Edit(TLinkOptions& options);
    // The dialog without running it (tests, screenshots).
    void Fill(const TLinkOptions& options);
    TLinkOptions Values() const;

  private:
    QRadioButton* rbRs232_;
    QRadioButton* rbRs485_;
    QLineEdit* edtInterByte_;
    QLineEdit* edtRetries_;
};

}  // namespace trelon::wizard
