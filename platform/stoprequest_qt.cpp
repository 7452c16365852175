// ISO C++ only: the handler counts into a lock-free atomic and a timer on the event
// loop looks at the count. A request is seen within one tick.
#include "stoprequest.h"

#include <QTimer>

#include <atomic>
#include <csignal>

namespace {
// SIGHUP is POSIX's, not ISO C's.
constexpr int StopSignals[] = {SIGINT, SIGTERM,
#ifdef SIGHUP
                               SIGHUP
#endif
};
constexpr int TickMs = 50;

static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch lock-free atomics");
std::atomic<int> g_requests{0};
std::atomic<int> g_left{0};  // requests before the default action comes back; < 0: never

extern "C" void onSignal(int sig)
{
    ++g_requests;
    if (g_left.load() > 0 && --g_left == 0)
        std::signal(sig, SIG_DFL);
}
}  // namespace

struct StopRequest::Watch {
    QTimer tick;
};

StopRequest::StopRequest(int forceAfter, QObject* parent) : QObject(parent), m_watch(std::make_unique<Watch>())
{
    g_requests = 0;
    g_left = forceAfter > 0 ? forceAfter : -1;
    connect(&m_watch->tick, &QTimer::timeout, this, [this] {
        while (m_count < g_requests.load())
            emit stopRequested(++m_count);
    });
    m_watch->tick.start(TickMs);
    for (int sig : StopSignals)
        std::signal(sig, onSignal);
}

StopRequest::~StopRequest()
{
    for (int sig : StopSignals)
        std::signal(sig, SIG_DFL);
}

bool StopRequest::isWatching() const
{
    return m_watch->tick.isActive();
}
