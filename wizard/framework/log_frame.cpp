#include "log_frame.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "controls.h"
#include "main_form.h"
#include "message_box.h"

namespace trelon::wizard {

namespace {
// The system's short date and a 24-hour time with seconds.
QString Timestamp(const QDateTime& t) {
    QLocale locale = QLocale::system();
    return locale.toString(t.date(), QLocale::ShortFormat) + u' ' +
           t.time().toString(QStringLiteral("HH:mm:ss"));
}
}  // namespace

TLogFrm::TLogFrm(QWidget* parent) : TBaseFrame(parent) {
    grid_ = Named(new QTableWidget(0, 2, this), "SgLog", QStringLiteral("Лог"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("Дата Время"), QStringLiteral("Событие")});
    // At least 128 pixels, and wide enough for a date and time of this locale.
    QString widest = Timestamp(QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)));
    grid_->setColumnWidth(0, std::max(128, grid_->fontMetrics().horizontalAdvance(widest) + 16));
    grid_->setColumnWidth(1, 300);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->verticalHeader()->setVisible(false);
    grid_->setWordWrap(false);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* clear = Named(new QPushButton(QStringLiteral("Очистить"), this), "btnClear");
    auto* save = Named(new QPushButton(QStringLiteral("Сохранить в файл..."), this), "btnSave");
    connect(clear, &QPushButton::clicked, this, &TLogFrm::Clear);
    connect(save, &QPushButton::clicked, this, &TLogFrm::SaveWithDialog);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(clear);
    buttons->addWidget(save);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addLayout(buttons);
}

void TLogFrm::AddLog(const QString& text) {
    entries_.push_back({Timestamp(QDateTime::currentDateTime()), text});
    int row = grid_->rowCount();
    grid_->insertRow(row);
    grid_->setItem(row, 0, new QTableWidgetItem(entries_.back().Stamp));
    grid_->setItem(row, 1, new QTableWidgetItem(text));
    grid_->selectRow(row);
    grid_->scrollToItem(grid_->item(row, 0));
    emit LogAdded(text);
}

void TLogFrm::Clear() {
    entries_.clear();
    grid_->setRowCount(0);
}

bool TLogFrm::SaveToFile(const QString& path, QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    for (const TEntry& e : entries_) file.write((e.Stamp + u'\t' + e.Text + u'\n').toUtf8());
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

void TLogFrm::SaveWithDialog() {
    QFileDialog dialog(this, QStringLiteral("Сохранить в файл..."),
                       QCoreApplication::applicationDirPath(),
                       QStringLiteral("текстовые файлы (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString path = dialog.selectedFiles().constFirst();
    QString error;
    if (!SaveToFile(path, &error)) ShowMessage(this, path + u'\n' + error);
}

void AddLog(const QString& text) {
    if (TMainForm* form = MainForm()) form->LogPage()->AddLog(text);
}

}  // namespace trelon::wizard
