#include "processlife.h"

// Qt cannot ask after another process: it is taken to run.
bool processRunning(qint64 pid)
{
    return pid > 0;
}
