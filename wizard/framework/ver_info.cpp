#include "ver_info.h"

#include "build_version.h"

namespace trelon::wizard {

TVerInfoRes::TVerInfoRes() {
    QString version = QStringLiteral(METROVIK_VERSION);
    QString commit = QStringLiteral(METROVIK_GIT_COMMIT);
    QString fileVersion = commit.isEmpty() ? version : version + u'-' + commit;
    QString special = QStringLiteral(METROVIK_SPECIAL_BUILD);
    items_ = {
        {QStringLiteral("ProductName"), QString::fromLatin1(kProductTitle)},
        {QStringLiteral("ProductVersion"), version},
        {QStringLiteral("FileVersion"), fileVersion},
        {QStringLiteral("FileDescription"),
         QStringLiteral("Мастер поверки многоканальных ультразвуковых расходомеров")},
        {QStringLiteral("InternalName"), QStringLiteral("metrovik")},
        {QStringLiteral("OriginalFilename"), QStringLiteral("metrovik")},
        {QStringLiteral("CompanyName"), QStringLiteral("Trelon")},
        {QStringLiteral("LegalCopyright"), QStringLiteral("© Trelon")},
        {QStringLiteral("Comments"),
         QStringLiteral("Поверка расходомеров на проливной установке ЗРТ")},
    };
    if (METROVIK_PRE_RELEASE) flags_ << QStringLiteral("Pre-release");
    if (METROVIK_GIT_DIRTY) {
        flags_ << QStringLiteral("Private build");
        items_.insert(QStringLiteral("PrivateBuild"), QStringLiteral("uncommitted changes"));
    }
    if (!special.isEmpty()) {
        flags_ << QStringLiteral("Special build");
        items_.insert(QStringLiteral("SpecialBuild"), special);
    }
#ifndef NDEBUG
    flags_ << QStringLiteral("Debug");
#endif
}

QString VersionText(const TVerInfoRes& info) {
    QString text = QStringLiteral("Версия: ") + info.Item(QStringLiteral("FileVersion"));
    for (const QString& flag : info.BuildFlags()) text += u' ' + flag;
    return text;
}

}  // namespace trelon::wizard
