#include "port_names.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace trelon::wizard {

QStringList SystemSerialPorts(const QString& sysClassTty) {
    QStringList ports;
    const QDir dir(sysClassTty);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        // Virtual consoles and pseudo-terminals have no device behind them.
        if (!QFileInfo::exists(dir.filePath(name + QStringLiteral("/device")))) continue;
        ports << QStringLiteral("/dev/") + name;
    }
    ports.sort();
    return ports;
}

QString PortPath(const QString& name) {
    static const QRegularExpression com(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = name.trimmed();
    const QRegularExpressionMatch m = com.match(trimmed);
    if (m.hasMatch()) return QStringLiteral("/dev/ttyS%1").arg(m.captured(1).toInt() - 1);
    return trimmed;
}

QString PortFromSetting(const QString& value) {
    bool isIndex = false;
    const int index = value.trimmed().toInt(&isIndex);
    if (isIndex) return PortPath(QStringLiteral("COM%1").arg(index >= 0 ? index + 1 : 1));
    return PortPath(value);
}

}  // namespace trelon::wizard
