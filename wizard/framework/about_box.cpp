#include "about_box.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "controls.h"
#include "ver_info.h"

namespace trelon::wizard {

TAboutBox::TAboutBox(const TVerInfoRes& info, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе \"%1\"").arg(QString::fromLatin1(kProductTitle)));

    auto* picture = Named(new QLabel(this), "ProgramIcon", QStringLiteral("Значок программы"));
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    picture->setPixmap(icon.pixmap(64, 64));
    auto* product =
        Named(new QLabel(info.Item(QStringLiteral("ProductName")), this), "ProductName");
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* version = Named(new QLabel(VersionText(info), this), "Version");
    auto* copyright =
        Named(new QLabel(info.Item(QStringLiteral("LegalCopyright")), this), "Copyright");
    auto* comments = Named(new QLabel(info.Item(QStringLiteral("Comments")), this), "Comments");
    comments->setWordWrap(true);
    auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), "OKButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* labels = new QVBoxLayout;
    for (QLabel* l : {product, version, copyright, comments}) labels->addWidget(l);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(labels);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ok, 0, Qt::AlignCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ShowAboutBox(QWidget* parent) {
    TAboutBox box(TVerInfoRes(), parent);
    box.exec();
}

}  // namespace trelon::wizard
