#pragma once
// Runs raskladka-simkbd for a test: starts it, learns its port, and makes sure
// it is gone when the test is.
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

class SimKeyboard
{
public:
    SimKeyboard() = default;
    SimKeyboard(const SimKeyboard&) = delete;
    SimKeyboard& operator=(const SimKeyboard&) = delete;
    ~SimKeyboard() { stop(); }

    // Starts it with `args` and reads the port path it prints. False (with the
    // reason in error()) when it did not come up.
    bool start(const QStringList& args = {})
    {
        m_proc.setProgram(QStringLiteral(RASKLADKA_SIMKBD));
        m_proc.setArguments(args);
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start();
        if (!m_proc.waitForStarted(5000))
            return fail(m_proc.errorString());
        while (!m_proc.canReadLine()) {
            if (!m_proc.waitForReadyRead(5000))
                return fail(QStringLiteral("no port printed; stderr: ") + QString::fromUtf8(m_proc.readAllStandardError()));
        }
        m_path = QString::fromUtf8(m_proc.readLine()).trimmed();
        return !m_path.isEmpty() || fail(QStringLiteral("empty port path"));
    }

    QString path() const { return m_path; }
    QString error() const { return m_error; }
    QProcess& process() { return m_proc; }
    // Waits up to `ms` for `text` in what it said about the traffic.
    bool waitForLog(const QString& text, int ms = 2000)
    {
        const QDeadlineTimer deadline(ms);
        m_proc.setReadChannel(QProcess::StandardError);
        while (!m_log.contains(text)) {
            m_log += QString::fromUtf8(m_proc.readAllStandardError());
            if (m_log.contains(text) || deadline.hasExpired())
                break;
            m_proc.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
        m_proc.setReadChannel(QProcess::StandardOutput);
        return m_log.contains(text);
    }
    QString log() const { return m_log; }

    void stop()
    {
        if (m_proc.state() == QProcess::NotRunning)
            return;
        m_proc.terminate();
        if (!m_proc.waitForFinished(3000)) {
            m_proc.kill();
            m_proc.waitForFinished(3000);
        }
    }

private:
    bool fail(const QString& why)
    {
        m_error = why;
        return false;
    }

    QProcess m_proc;
    QString m_path;
    QString m_error;
    QString m_log;
};
