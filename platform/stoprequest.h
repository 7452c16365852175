#pragma once
// Ctrl-C (SIGINT), SIGTERM and SIGHUP turned into a Qt signal on the event loop, so that a
// long-running command can stop cleanly: finish what is under way, then leave.
//
//     StopRequest stop(1);   // the second Ctrl-C ends the program at once
//     QObject::connect(&stop, &StopRequest::stopRequested, &loop, [&](int count) { ... });
//
// While an object lives, the signals are caught; its destructor gives them back their
// default action. Only one may live at a time (the handlers are process-wide). The
// signal is emitted from the event loop of the thread the object lives in, once per
// request, never from the handler itself.
#include <QObject>

#include <memory>

class StopRequest : public QObject
{
    Q_OBJECT
public:
    // After `forceAfter` requests (0: never) the next of them is left to its
    // default action, which ends the program even when its event loop is stuck.
    explicit StopRequest(int forceAfter = 0, QObject* parent = nullptr);
    ~StopRequest() override;

    // False when the handlers could not be installed; then no request is ever seen.
    bool isWatching() const;

signals:
    // `count` is 1 for the first request, 2 for the second, and so on.
    void stopRequested(int count);

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
    int m_count = 0;
};
