#include "console.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <cstdio>
#include <io.h>
#include <windows.h>
#endif

bool stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    // Neither ISO C++ nor Qt can tell; a redrawn line would litter a log file.
    return false;
#endif
}

void useUtf8Console()
{
#ifdef Q_OS_WIN
    // The console's own code page is an OEM one by default, which shows UTF-8 as mojibake.
    SetConsoleOutputCP(CP_UTF8);
#endif
}
