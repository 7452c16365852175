#include "mainwindow.h"

#ifndef RASKLADKA_BUILD_NUMBER
#define RASKLADKA_BUILD_NUMBER 0
#endif

// The compiler's date and time, e.g. "Dec  8 2026" and "02:14:07", unless the build
// names its own moment in that form (a reproducible build does).
#ifndef RASKLADKA_BUILD_DATE
#define RASKLADKA_BUILD_DATE __DATE__
#define RASKLADKA_BUILD_TIME __TIME__
#endif

QString MainWindow::buildText()
{
    return QStringLiteral("Build: %1, %2, %3")
        .arg(RASKLADKA_BUILD_NUMBER)
        .arg(QLatin1String(RASKLADKA_BUILD_DATE), QLatin1String(RASKLADKA_BUILD_TIME));
}
