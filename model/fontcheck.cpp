#include "fontcheck.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QStringList>

bool isFontFamilyInstalled(const QString& family)
{
    const QStringList families = QFontDatabase::families();
    if (families.contains(family, Qt::CaseSensitive))
        return true;
    // A family that several foundries make is listed once per foundry, as "Family [foundry]".
    const QString perFoundry = family + QStringLiteral(" [");
    for (const QString& listed : families)
        if (listed.startsWith(perFoundry, Qt::CaseSensitive) && listed.endsWith(QLatin1Char(']')))
            return true;
    static const QHash<QString, QStringList> twins = {
        {QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}},
        {QStringLiteral("Courier New"), {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")}},
        {QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos")}},
    };
    const auto it = twins.constFind(family);
    if (it == twins.constEnd())
        return false;
    QFont font(family);
    const QString resolved = QFontInfo(font).family();
    for (const QString& twin : *it)
        if (families.contains(twin, Qt::CaseSensitive) && resolved == twin)
            return true;
    return false;
}
