#pragma once
// A programming station's run as both faces have it: the engine, the tallies
// and the CSV log whose rows outlive a file that cannot be written. The
// station window and raskladka-cli station (and upload with several ports)
// each make one from the same options and only show what it tells.
#include "stationengine.h"
#include "stationlog.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

struct StationOptions {
    LoaderTimings timings;
    bool verify = true;  // a station reads every keyboard back unless told not to
    int count = 0;       // stop once this many were programmed; 0: never
    QString layoutName;  // for the log
    std::function<int(const QString& socket)> tileNumber;  // for the log; none: no numbers
};

// A wait in milliseconds as given on a command line: a whole number within
// 0..MaxWaitMs, else false and `ms` untouched.
bool parseWaitMs(const QString& text, int& ms);
// What an option for a wait is told when its value is not one.
QString waitExpected(const QString& option);

class StationSession : public QObject
{
    Q_OBJECT
public:
    // How often rows kept for an unwritable log are tried again.
    static constexpr int LogRetryMs = 2000;

    explicit StationSession(QObject* parent = nullptr, StationEngine::Environment environment = {});
    ~StationSession() override;

    StationOptions& options() { return m_options; }
    const StationOptions& options() const { return m_options; }

    // Where the rows go; rows kept for another file go to this one.
    void setLogPath(const QString& path);
    QString logPath() const { return m_log.path(); }
    qsizetype unwrittenRows() const { return m_log.pending(); }
    // Why the log cannot be written, in words for the user; empty while it can.
    QString logError() const { return m_log.error(); }
    // Writes the rows kept; false while they cannot be.
    bool writeLog();
    // Opens the log now, as a row would (a new file gets its header); false when it cannot.
    bool openLog();

    // Programs each keyboard as it is plugged in, until stop(). Started again
    // with the same image, it goes on where it stopped: a keyboard programmed
    // and still in its socket is not programmed again, and the tallies go on;
    // another image starts afresh.
    void start(const QByteArray& image);
    // Programs each of `ports` once, then idle().
    void programOnce(const QByteArray& image, const QStringList& ports);
    // Takes no new keyboard; idle() once every keyboard in flight has its row.
    void stop();
    // Ends every keyboard in flight now, each with the row "прервано".
    void interrupt();
    bool running() const { return m_running; }
    int inFlight() const { return m_engine ? m_engine->inFlight() : 0; }
    bool stopping() const { return m_running && m_engine->stopping(); }
    // Writes the rows still kept beside the log, as LOG.csv.unwritten-<time>.csv, for a
    // station that must end now; the file's path, or empty when nothing was kept or it
    // could not be written (then `rows` holds them).
    QString saveUnwritten(QByteArray* rows = nullptr);
    const StationTally& tally() const { return m_tally; }

signals:
    void keyboardFound(const QString& socket, const QString& device);
    void keyboardWaiting(const QString& socket, const QString& device);
    void stageChanged(const QString& socket, StationEngine::Stage stage);
    void progress(const QString& socket, int byte);
    // A keyboard's verdict, counted and given to the log.
    void keyboardDone(const UploadResult& result);
    // The log could not be written, or could again: see logError() and unwrittenRows().
    void logChanged();
    // The run is over: every keyboard in flight has its row.
    void idle();

private:
    void begin(const QByteArray& image);
    void record(const UploadResult& r);
    void endRun();
    void noteLog(bool written);

    StationEngine::Environment m_environment;
    StationOptions m_options;
    StationTally m_tally;
    PendingStationLog m_log;
    bool m_logFailing = false;
    std::unique_ptr<WaitTimer> m_logRetry;
    StationEngine* m_engine = nullptr;
    bool m_running = false;
};
