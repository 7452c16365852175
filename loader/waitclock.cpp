#include "waitclock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {
class SystemTimer : public WaitTimer
{
public:
    SystemTimer()
    {
        m_timer.setSingleShot(true);
        // A coarse timer may end up to 5% early; the keyboard needs its full time.
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { expire(); });
    }
    void start(int ms) override { m_timer.start(ms); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

class SystemClock : public WaitClock
{
public:
    SystemClock() { m_since.start(); }
    std::unique_ptr<WaitTimer> timer() override { return std::make_unique<SystemTimer>(); }
    qint64 nowMs() const override { return m_since.elapsed(); }

private:
    QElapsedTimer m_since;
};
}  // namespace

WaitClock& systemClock()
{
    static SystemClock clock;
    return clock;
}
