#include "uifonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

void installUiFontSubstitutes()
{
    const QString ui = QStringLiteral("Segoe UI");
    if (QFontDatabase::families().contains(ui))
        return;
    // Close to Segoe UI in width, so the fixed form geometry still fits its texts.
    QFont::insertSubstitutions(ui, {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
}
