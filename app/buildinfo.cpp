#include "mainwindow.h"

#ifndef RASKLADKA_BUILD_NUMBER
#define RASKLADKA_BUILD_NUMBER 0
#endif

// The date and time are the compiler's, e.g. "Dec  8 2026" and "02:14:07".
QString MainWindow::buildText()
{
    return QStringLiteral("Build: %1, %2, %3")
        .arg(RASKLADKA_BUILD_NUMBER)
        .arg(QLatin1String(__DATE__), QLatin1String(__TIME__));
}
