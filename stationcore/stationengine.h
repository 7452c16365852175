#pragma once
// Programming keyboards by the socket they sit in, on one event loop, with no
// output of its own: raskladka-cli prints what it tells, a window shows it.
//
// Each socket is a small state machine that no plug or unplug can fool:
//   Free -> Sending -> AwaitingAnswer -> Restarting -> (Verifying) -> Done -> Free,
// and Free -> Waiting -> Free for a keyboard plugged in while the station is stopped.
// A keyboard that leaves while its image or its read-back is on the line
// fails at once with its own message and frees the socket, so the next one
// is programmed as soon as it appears. Leaving during the restart is what a
// keyboard that re-enumerates does: it is the same keyboard when the socket
// fills again in time (unless its USB serial number, or the image it holds,
// says otherwise), and it is neither programmed again nor left without its
// row. One that says otherwise is another keyboard, programmed in its turn.
// Sockets are followed across stop() and watch(): a keyboard that stays is
// programmed once.
#include "bytelink.h"
#include "portsocket.h"
#include "uploadjob.h"
#include "waitclock.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

class PortEvents;
class QFileSystemWatcher;
class QThread;

// What the engine stands on; by default the system's: its serial ports, its
// keyboard sockets (told of by udev and the folders of links, and polled), and
// the event loop's timers. A test hands in its own and calls scan() itself.
struct StationEnvironment {
    WaitClock* clock = nullptr;
    std::function<std::unique_ptr<ByteLink>()> links;
    std::function<QList<SocketPort>()> scanner;
    bool watchSystem = true;  // udev, the folders of links and the system's list in a thread
};

class StationEngine : public QObject
{
    Q_OBJECT
public:
    enum class Stage { Free, Sending, AwaitingAnswer, Restarting, Verifying, Done, Waiting };
    using Scanner = std::function<QList<SocketPort>()>;
    using Environment = StationEnvironment;

    // How often the sockets are looked at where nothing tells of changes.
    static constexpr int PollMs = 500;

    StationEngine(const QByteArray& image, LoaderTimings timings, bool verify, QObject* parent = nullptr,
                  Environment environment = {});
    ~StationEngine() override;

    // The keyboards present; by default the system's keyboard ports by socket.
    void setScanner(Scanner scanner) { m_scanner = std::move(scanner); }

    // Programs every keyboard as it appears in a socket, until stop(); again
    // after stop(), each keyboard not yet seen through.
    void watch();
    // Programs each of `ports` once, present or not, then says idle().
    void programOnce(const QStringList& ports);
    // Takes no new keyboard; idle() once every keyboard in flight has its row.
    // After watch(), the sockets are still followed (see keyboardWaiting()).
    void stop();
    // Ends every keyboard in flight now with `outcome` as its row, then idle().
    void interrupt();

    int inFlight() const;
    bool stopping() const { return !m_acceptNew; }
    // Whether the sockets are followed until the engine goes, not for one run.
    bool watching() const { return m_watching; }
    const QByteArray& image() const { return m_image; }
    // For keyboards begun from now on.
    void setVerify(bool verify) { m_verify = verify; }
    // Looks at the sockets now (also done on every notice and poll).
    void scan();

signals:
    void keyboardFound(const QString& socket, const QString& device);
    // A keyboard plugged in while the station is stopped: programmed at the next watch().
    void keyboardWaiting(const QString& socket, const QString& device);
    void stageChanged(const QString& socket, StationEngine::Stage stage);
    void progress(const QString& socket, int byte);
    // One per keyboard that was in a socket, whatever became of it.
    void keyboardDone(const UploadResult& result);
    void idle();

private:
    struct Socket {
        Stage stage = Stage::Free;
        UploadJob* job = nullptr;
        QString device;
        QString node;
        QString serial;
        bool away = false;        // gone during its restart, not back yet
        bool wentAway = false;    // gone during its restart at some point
        bool restartOver = false; // the restart wait has passed
        bool departed = false;    // the platform said its device went
        bool swapped = false;     // another keyboard came back from the restart: it is next
        std::unique_ptr<WaitTimer> returnLimit;
        std::unique_ptr<WaitTimer> settle;  // a failed port, until it is known whether the keyboard left
    };
    static constexpr int SettleMs = 200;
    static StationOutcome leftOutcome(Stage stage);

    void startWatching();
    void update(const QString& name, const SocketPort* present);
    void begin(const QString& name, const SocketPort& port);
    void setStage(const QString& name, Socket& s, Stage stage);
    void onRestartEnded(const QString& name);
    void onJobFinished(const QString& name, const UploadResult& r);
    void report(const QString& name, const UploadResult& r);
    void readSystemPortsSoon();
    void startNext();
    // Ends the keyboard in `name` now with `outcome`; its row goes out at once.
    void end(const QString& name, StationOutcome kind, Stage next);
    void release(Socket& s);
    void checkIdle();
    bool present(const QString& name) const;

    std::unique_ptr<WaitTimer> timer(std::function<void()> onTimeout);

    Environment m_env;
    WaitClock& m_clock;
    QByteArray m_image;
    LoaderTimings m_timings;
    bool m_verify;
    // How long a keyboard that left during its restart may take to come back once
    // the restart wait is over: the restart wait again, at least 2 s.
    int m_returnMs;
    bool m_acceptNew = false;
    bool m_watching = false;     // watch() was called: sockets are followed even when stopped
    bool m_onceRunning = false;  // programOnce() until stop(): a swapped keyboard is programmed too
    bool m_followingSystem = false;
    bool m_idleSaid = false;
    QList<SystemPort> m_system;  // the last list read
    QThread* m_reader = nullptr;
    bool m_readAgain = false;
    Scanner m_scanner;
    std::map<QString, Socket> m_sockets;
    std::unique_ptr<WaitTimer> m_poll;
    std::unique_ptr<WaitTimer> m_starter;
    QList<QPointer<UploadJob>> m_starting;
    std::unique_ptr<QFileSystemWatcher> m_files;
    std::unique_ptr<PortEvents> m_events;
};
