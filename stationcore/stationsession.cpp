#include "stationsession.h"

#include <QDateTime>
#include <QDir>
#include <QSaveFile>

bool parseWaitMs(const QString& text, int& ms)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > KeyboardProtocol::MaxWaitMs)
        return false;
    ms = value;
    return true;
}

QString waitExpected(const QString& option)
{
    return QStringLiteral("%1 ожидает время в миллисекундах (0..%2)").arg(option).arg(KeyboardProtocol::MaxWaitMs);
}

StationSession::StationSession(QObject* parent, StationEngine::Environment environment)
    : QObject(parent), m_environment(std::move(environment)),
      m_logRetry((m_environment.clock ? *m_environment.clock : systemClock()).timer())
{
    m_logRetry->onTimeout = [this] { writeLog(); };
}

StationSession::~StationSession()
{
    // Rows of keyboards cut short by the session going away are still written.
    if (m_engine)
        m_engine->interrupt();
    delete m_engine;
}

void StationSession::setLogPath(const QString& path)
{
    m_log.setPath(path);
    // Rows kept for the old file go to the new one; a running station checks it now.
    if (m_log.pending() > 0 || running())
        writeLog();
    else
        noteLog(true);
}

bool StationSession::writeLog()
{
    const bool written = m_log.flush();
    noteLog(written);
    return written;
}

bool StationSession::openLog()
{
    const bool opened = m_log.pending() > 0 ? m_log.flush() : m_log.open();
    noteLog(opened);
    return opened;
}

void StationSession::noteLog(bool written)
{
    const bool failing = !written || (m_log.pending() > 0 && m_log.path().isEmpty());
    if (failing && !m_logRetry->isActive())
        m_logRetry->start(LogRetryMs);
    else if (!failing)
        m_logRetry->stop();
    if (failing || failing != m_logFailing) {
        m_logFailing = failing;
        emit logChanged();
    }
}

void StationSession::begin(const QByteArray& image)
{
    m_running = true;
    if (m_engine && m_engine->watching() && m_engine->image() == image) {
        m_engine->setVerify(m_options.verify);
        return;
    }
    m_tally = {};
    delete m_engine;
    m_engine = new StationEngine(image, m_options.timings, m_options.verify, this, m_environment);
    connect(m_engine, &StationEngine::keyboardFound, this, &StationSession::keyboardFound);
    connect(m_engine, &StationEngine::keyboardWaiting, this, &StationSession::keyboardWaiting);
    connect(m_engine, &StationEngine::stageChanged, this, &StationSession::stageChanged);
    connect(m_engine, &StationEngine::progress, this, &StationSession::progress);
    connect(m_engine, &StationEngine::keyboardDone, this, &StationSession::record);
    connect(m_engine, &StationEngine::idle, this, &StationSession::endRun);
}

void StationSession::start(const QByteArray& image)
{
    if (running())
        return;
    begin(image);
    if (m_log.pending() > 0)
        writeLog();
    m_engine->watch();
}

void StationSession::programOnce(const QByteArray& image, const QStringList& ports)
{
    if (running())
        return;
    delete m_engine;  // each batch stands alone
    m_engine = nullptr;
    begin(image);
    m_engine->programOnce(ports);
}

void StationSession::stop()
{
    if (m_running)
        m_engine->stop();
}

void StationSession::interrupt()
{
    if (m_engine)
        m_engine->interrupt();
}

void StationSession::record(const UploadResult& r)
{
    m_tally.add(r);
    if (!m_log.path().isEmpty() || m_log.pending() > 0)
        noteLog(m_log.add(r, QDateTime::currentDateTime(),
                          {m_options.layoutName, m_options.tileNumber ? m_options.tileNumber(r.port) : 0}));
    emit keyboardDone(r);
    if (m_options.count > 0 && m_tally.good >= m_options.count)
        stop();
}

void StationSession::endRun()
{
    if (!m_running || !m_engine->stopping())
        return;
    m_running = false;
    // A watching engine stays: it knows which keyboards in their sockets were seen through.
    if (!m_engine->watching()) {
        m_engine->deleteLater();
        m_engine = nullptr;
    }
    emit idle();
}

QString StationSession::saveUnwritten(QByteArray* rows)
{
    if (m_log.pending() == 0)
        return {};
    const QString log = m_log.path().isEmpty() ? QDir::home().filePath(QStringLiteral("raskladka-station.csv"))
                                               : m_log.path();
    const QString aside = log + QStringLiteral(".unwritten-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                          QStringLiteral(".csv");
    const QByteArray kept = stationLogHeader() + m_log.takeAll();
    QSaveFile file(aside);
    if (file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size() && file.commit())
        return aside;
    if (rows)
        *rows = kept;
    return {};
}
