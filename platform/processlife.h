#pragma once
// Whether the process that left a lock file behind still runs: its lock can be taken
// over only once it has ended, and a lock that cannot be removed says nothing of that.
#include <QtGlobal>

// True while process `pid` of this machine runs, and wherever that cannot be told, so
// that what a running program holds is never taken from it. False for no valid id.
bool processRunning(qint64 pid);
