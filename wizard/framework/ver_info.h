// The program's version information, as the build recorded it: the standard string items
// (ProductName, FileVersion, LegalCopyright, Comments, ...) and the set build flags.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace trelon::wizard {

inline constexpr const char* kProductTitle = "Metrovik";

class TVerInfoRes {
  public:
    // The information of this build.
    TVerInfoRes();
    TVerInfoRes(QMap<QString, QString> items, QStringList flags)
        : items_(std::move(items)), flags_(std::move(flags)) {}

    // The string item; empty when the item is missing.
    QString Item(const QString& name) const { return items_.value(name); }
    // The set flags, in this order: "Pre-release", "Private build", "Special build", "Debug".
    const QStringList& BuildFlags() const { return flags_; }

  private:
    QMap<QString, QString> items_;
    QStringList flags_;
};

// "Версия: " with the file version and the set build flags, each after a blank.
QString VersionText(const TVerInfoRes& info);

}  // namespace trelon::wizard
