// The about box: product name, version with build flags, legal notice and comments.
#pragma once

#include <QDialog>

namespace trelon::wizard {

class TVerInfoRes;

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(const TVerInfoRes& info, QWidget* parent = nullptr);
};

// Shows the about box of this build modally.
void ShowAboutBox(QWidget* parent);

}  // namespace trelon::wizard
