#include "config_form.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls.h"
#include "message_box.h"
#include "select_folder.h"

namespace trelon::wizard {

TConfigForm::TConfigForm(TProgramParams& params, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), params_(params) {
    setObjectName(QStringLiteral("ConfigForm"));
    setWindowTitle(QStringLiteral("Параметры"));
    fullLog_ = Named(new QCheckBox(QStringLiteral("Вести полный лог"), this), "chbFullLog");
    auto* label =
        Named(new QLabel(QStringLiteral("Путь для сохранения отчетов"), this), "lblRepPath");
    path_ = Named(new QLineEdit(this), "Edit1", label->text());
    path_->setMinimumWidth(320);
    label->setBuddy(path_);
    auto* folder = Named(new QPushButton(QStringLiteral("..."), this), "btnFolder",
                         QStringLiteral("Выберите каталог..."));
    folder->setMaximumWidth(folder->fontMetrics().horizontalAdvance(folder->text()) + 24);
    auto* save = Named(new QPushButton(QStringLiteral("Сохранить"), this), "btnSave");
    auto* cancel = Named(new QPushButton(QStringLiteral("Отмена"), this), "btnCancel");
    save->setDefault(true);
    connect(folder, &QPushButton::clicked, this, &TConfigForm::ChooseFolder);
    connect(save, &QPushButton::clicked, this, &TConfigForm::Save);
    connect(cancel, &QPushButton::clicked, this, &TConfigForm::reject);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_);
    pathRow->addWidget(folder);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fullLog_);
    layout->addWidget(label);
    layout->addLayout(pathRow);
    layout->addLayout(buttons);
}

void TConfigForm::showEvent(QShowEvent* event) {
    path_->setText(params_.RepPath);
    fullLog_->setChecked(params_.FullLog);
    QDialog::showEvent(event);
}

void TConfigForm::ChooseFolder() {
    QString folder;
    if (SelectFolder(this, QStringLiteral("Выберите каталог..."), path_->text(), folder))
        path_->setText(folder);
}

void TConfigForm::Save() {
    QString text = path_->text().trimmed();
    if (!text.isEmpty()) path_->setText(WithTrailingSlash(text));
    accept();
}

void TConfigForm::done(int result) {
    QString text = path_->text();
    if (!text.isEmpty() && QFileInfo(text).isDir()) {
        params_.FullLog = fullLog_->isChecked();
        params_.RepPath = text;
    } else if (result == QDialog::Accepted) {
        ShowMessage(this, QStringLiteral("Указанный путь \"") + text +
                              QStringLiteral("\" не существует.\nУкажите правильный каталог в "
                                             "\"настройках\""));
        return;
    }
    QDialog::done(result);
}

}  // namespace trelon::wizard
