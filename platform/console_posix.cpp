#include "console.h"

#include <cstdio>
#include <unistd.h>

bool stderrIsTerminal()
{
    return ::isatty(fileno(stderr)) == 1;
}

void useUtf8Console() {}
