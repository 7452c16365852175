#pragma once
// The time the protocol and the station wait on, behind an interface: the real
// one is the event loop's timers, a test hands in one it moves by hand.
#include <QtGlobal>

#include <functional>
#include <memory>

// One single-shot wait. Starting it again supersedes the wait before.
class WaitTimer
{
public:
    virtual ~WaitTimer() = default;
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Runs when a wait ends; set once, before the first start(). The timer may
    // be destroyed from inside it.
    std::function<void()> onTimeout;

protected:
    // Calls a copy: what it holds outlives a timer destroyed meanwhile.
    void expire() const
    {
        if (const std::function<void()> call = onTimeout)
            call();
    }
};

class WaitClock
{
public:
    virtual ~WaitClock() = default;
    virtual std::unique_ptr<WaitTimer> timer() = 0;
    // Milliseconds on a steady count, for durations.
    virtual qint64 nowMs() const = 0;
};

// The event loop's precise timers and the steady clock; shared, never deleted.
WaitClock& systemClock();
