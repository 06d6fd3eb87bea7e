// The platform's folder selection, limited to folders of the file system.
#pragma once

#include <QString>

class QWidget;

namespace trelon::wizard {

// Preselects currentPath when it is an existing folder. True with the chosen folder in
// newPath; false when the operator cancelled.
bool SelectFolder(QWidget* owner, const QString& title, const QString& currentPath,
                  QString& newPath);

}  // namespace trelon::wizard
