#include "set_connect_form.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "controls.h"
#include "port_frm.h"

namespace trelon::wizard {

namespace {
// Only whole numbers in a sensible range can be typed; an empty edit counts as 0.
constexpr int kMaxInterByteMs = 1000;
constexpr int kMaxRetries = 100;
}  // namespace

TSetConnectForm::TSetConnectForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SetConnectForm"));
    setWindowTitle(QStringLiteral("Настройки связи"));
    auto* rgrLinkType = Named(new QGroupBox(QStringLiteral("Тип связи"), this), "rgrLinkType");
    rbRs232_ = Named(new QRadioButton(QStringLiteral("RS232"), rgrLinkType), "rbRS232");
    rbRs485_ = Named(new QRadioButton(QStringLiteral("RS485"), rgrLinkType), "rbRS485");
    auto* radios = new QVBoxLayout(rgrLinkType);
    radios->addWidget(rbRs232_);
    radios->addWidget(rbRs485_);

    edtInterByte_ =
        Named(new QLineEdit(this), "edtInterByte", QStringLiteral("Межбайтовый интервал, мс"));
    edtInterByte_->setValidator(new QIntValidator(0, kMaxInterByteMs, edtInterByte_));
    edtRetries_ =
        Named(new QLineEdit(this), "edtRetries", QStringLiteral("Количество попыток, шт"));
    edtRetries_->setValidator(new QIntValidator(0, kMaxRetries, edtRetries_));
    auto* form = new QFormLayout;
    form->addRow(new QLabel(QStringLiteral("Межбайтовый интервал, мс"), this), edtInterByte_);
    form->addRow(new QLabel(QStringLiteral("Количество попыток, шт"), this), edtRetries_);

    auto* ok = Named(new QPushButton(QStringLiteral("Да"), this), "btnOk");
    auto* cancel = Named(new QPushButton(QStringLiteral("Отмена"), this), "btnCancel");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rgrLinkType);
    layout->addLayout(form);
    layout->addLayout(buttons);
    Fill(TLinkOptions{1, 5, 20});  // the dialog's own initial contents
}

void TSetConnectForm::Fill(const TLinkOptions& options) {
    (options.LinkType == 1 ? rbRs485_ : rbRs232_)->setChecked(true);
    edtInterByte_->setText(QString::number(options.InterByte));
    edtRetries_->setText(QString::number(options.Retries));
}

TLinkOptions TSetConnectForm::Values() const {
    return TLinkOptions{rbRs485_->isChecked() ? 1 : 0, edtRetries_->text().toInt(),
                        edtInterByte_->text().toInt()};
}

bool TSetConnectForm::Edit(TLinkOptions& options) {
    Fill(options);
    if (exec() != QDialog::Accepted) return false;
    options = Values();
    return true;
}

}  // namespace trelon::wizard
