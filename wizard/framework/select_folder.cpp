#include "select_folder.h"

#include <QFileDialog>
#include <QFileInfo>

namespace trelon::wizard {

bool SelectFolder(QWidget* owner, const QString& title, const QString& currentPath,
                  QString& newPath) {
    QFileDialog dialog(owner, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (QFileInfo(currentPath).isDir()) dialog.setDirectory(currentPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    newPath = dialog.selectedFiles().constFirst();
    return true;
}

}  // namespace trelon::wizard
