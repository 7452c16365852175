#include "processlife.h"

#include <cerrno>

#include <signal.h>
#include <sys/types.h>

bool processRunning(qint64 pid)
{
    if (pid <= 0 || pid != qint64(pid_t(pid)))
        return false;
    // Signal 0 is only checked: a process of another user answers EPERM, yet runs.
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}
