// The self-pipe: the handler writes one byte, a notifier on the read end brings it to
// the event loop. write() is async-signal-safe; emitting a Qt signal is not.
#include "stoprequest.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The terminal that started us closing (SIGHUP) ends us as Ctrl-C does.
constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_pipe[2] = {-1, -1};
std::atomic<int> g_left{0};  // requests before the default action comes back; < 0: never

void onSignal(int sig)
{
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
    if (g_left.load() > 0 && --g_left == 0)
        std::signal(sig, SIG_DFL);
}
}  // namespace

struct StopRequest::Watch {
    std::unique_ptr<QSocketNotifier> notifier;
};

StopRequest::StopRequest(int forceAfter, QObject* parent) : QObject(parent), m_watch(std::make_unique<Watch>())
{
    if (::pipe(g_pipe) != 0)
        return;
    for (int fd : g_pipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);  // a flood of signals must not block the handler
    g_left = forceAfter > 0 ? forceAfter : -1;
    m_watch->notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_watch->notifier.get(), &QSocketNotifier::activated, this, [this] {
        char c;
        if (::read(g_pipe[0], &c, 1) == 1)
            emit stopRequested(++m_count);
    });
    for (int sig : StopSignals)
        std::signal(sig, onSignal);
}

StopRequest::~StopRequest()
{
    for (int sig : StopSignals)
        std::signal(sig, SIG_DFL);
    m_watch->notifier.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool StopRequest::isWatching() const
{
    return m_watch->notifier != nullptr;
}
