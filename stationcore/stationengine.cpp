#include "stationengine.h"

#include "portevents.h"
#include "portsource.h"
#include "serialportlink.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSet>
#include <QThread>

namespace {
// Two serial numbers that are both known and differ: two keyboards.
bool otherKeyboard(const QString& before, const QString& now)
{
    return !before.isEmpty() && !now.isEmpty() && before != now;
}

std::unique_ptr<ByteLink> serialLink()
{
    auto link = std::make_unique<SerialPortLink>();
    link->setEventDriven(true);
    return link;
}

StationEngine::Stage stageOf(TransferStage t)
{
    switch (t) {
    case TransferStage::Sending: return StationEngine::Stage::Sending;
    case TransferStage::AwaitingAnswer: return StationEngine::Stage::AwaitingAnswer;
    case TransferStage::Restarting: return StationEngine::Stage::Restarting;
    case TransferStage::Verifying: return StationEngine::Stage::Verifying;
    }
    return StationEngine::Stage::Sending;
}
}  // namespace

StationEngine::StationEngine(const QByteArray& image, LoaderTimings timings, bool verify, QObject* parent,
                             Environment environment)
    : QObject(parent), m_env(std::move(environment)), m_clock(m_env.clock ? *m_env.clock : systemClock()),
      m_image(image), m_timings(timings), m_verify(verify), m_returnMs(qMax(timings.rebootMs, 2000)),
      m_scanner(m_env.scanner ? m_env.scanner : Scanner([this] { return keyboardSockets(m_system); }))
{
    if (!m_env.links)
        m_env.links = serialLink;
    m_starter = timer([this] { startNext(); });
    m_poll = timer([this] {
        m_poll->start(PollMs);
        readSystemPortsSoon();
        scan();
    });
}

std::unique_ptr<WaitTimer> StationEngine::timer(std::function<void()> onTimeout)
{
    std::unique_ptr<WaitTimer> t = m_clock.timer();
    t->onTimeout = std::move(onTimeout);
    return t;
}

StationEngine::~StationEngine()
{
    if (m_reader) {
        m_reader->wait();
        delete m_reader;
    }
    for (auto& [name, s] : m_sockets)
        release(s);
}

// The system's list takes tens of milliseconds to read: a thread reads it, so
// no transfer's wait is held up; the ports by path are looked at directly.
void StationEngine::readSystemPortsSoon()
{
    if (!m_env.watchSystem)
        return;
    if (m_reader) {
        m_readAgain = true;
        return;
    }
    auto list = std::make_shared<QList<SystemPort>>();
    m_reader = QThread::create([list] { *list = readSystemPorts(); });
    m_reader->setParent(this);  // gone with the engine even if the loop ends before its deleteLater
    connect(m_reader, &QThread::finished, this, [this, list] {
        m_reader->deleteLater();
        m_reader = nullptr;
        m_system = *list;
        scan();
        if (std::exchange(m_readAgain, false))
            readSystemPortsSoon();
    });
    m_reader->start();
}

void StationEngine::watch()
{
    m_acceptNew = true;
    m_watching = true;
    m_idleSaid = false;
    startWatching();
    readSystemPortsSoon();
    scan();
}

void StationEngine::programOnce(const QStringList& ports)
{
    m_onceRunning = true;
    QStringList sockets;
    QSet<QString> devices;
    for (const QString& port : ports) {
        const SocketPort p = describePort(port, m_system);
        if (devices.contains(p.device))
            continue;  // one device however it is named
        devices.insert(p.device);
        sockets << p.socket;
        begin(p.socket, p);
    }
    if (!m_env.scanner)
      m_scanner = [this, sockets] {
        QList<SocketPort> out;
        const QHash<QString, QString> links = bySocketLinks();
        for (const QString& s : sockets)
            if (portPresent(s))
                out << describePort(s, m_system, links);
        return out;
    };
    startWatching();
    readSystemPortsSoon();  // serial numbers
    checkIdle();
}

void StationEngine::startWatching()
{
    m_poll->start(PollMs);
    if (!m_env.watchSystem || std::exchange(m_followingSystem, true))
        return;
    // Folders that hold the ports by path tell at once when a link comes or goes.
    QStringList folders;
    for (const PortInfo& p : extraPorts())
        folders << QFileInfo(p.portName).absolutePath();
    for (const auto& [name, s] : m_sockets)
        if (name.contains(u'/'))
            folders << QFileInfo(name).absolutePath();
    folders << QDir::cleanPath(QString::fromLatin1(SocketPort::BySocketDir));
    folders.removeDuplicates();
    folders.removeIf([](const QString& f) { return !QFileInfo(f).isDir(); });
    m_files = std::make_unique<QFileSystemWatcher>();
    if (!folders.isEmpty())
        m_files->addPaths(folders);
    connect(m_files.get(), &QFileSystemWatcher::directoryChanged, this, &StationEngine::scan);
    m_events = std::make_unique<PortEvents>();
    connect(m_events.get(), &PortEvents::added, this, &StationEngine::readSystemPortsSoon);
    connect(m_events.get(), &PortEvents::removed, this, [this](const QString& device) {
        for (auto& [name, s] : m_sockets)
            if (s.device == device)
                s.departed = true;
        scan();
        readSystemPortsSoon();
    });
}

void StationEngine::scan()
{
    const QList<SocketPort> present = m_scanner();
    QSet<QString> seen;
    for (const SocketPort& p : present) {
        seen.insert(p.socket);
        update(p.socket, &p);
    }
    QStringList absent;
    for (const auto& [name, s] : m_sockets)
        if (!seen.contains(name))
            absent << name;
    for (const QString& name : absent)
        update(name, nullptr);
}

void StationEngine::update(const QString& name, const SocketPort* present)
{
    Socket& s = m_sockets[name];
    const bool here = present != nullptr;
    // Another device node behind the socket than the last one seen, or the same
    // name made anew: the keyboard left and one came back, however briefly.
    const bool changed = here && !s.node.isEmpty() && present->node != s.node;
    const bool gone = !here || changed || std::exchange(s.departed, false);
    // Serial numbers come with the system's list, a moment after the keyboard.
    if (here && !gone && s.serial.isEmpty() && !s.wentAway)
        s.serial = present->serial;
    switch (s.stage) {
    case Stage::Free:
        break;
    case Stage::Sending:
    case Stage::AwaitingAnswer:
        if (gone)
            end(name, StationOutcome::LeftDuringTransfer, Stage::Free);
        break;
    case Stage::Verifying:
        if (gone)
            end(name, StationOutcome::LeftDuringVerify, Stage::Free);
        break;
    case Stage::Restarting:
        if (!here) {
            s.away = s.wentAway = true;
        } else if (s.away || gone) {
            if (otherKeyboard(s.serial, present->serial)) {
                end(name, StationOutcome::Replaced, Stage::Free);
                s.swapped = true;
                break;
            }
            // The same keyboard, back from its restart, perhaps under another node.
            s.away = false;
            s.wentAway = true;
            s.device = present->device;
            s.node = present->node;
            s.job->setDevice(present->shownDevice());
            if (s.restartOver) {
                s.returnLimit.reset();
                s.job->proceed(true);
            }
        }
        break;
    case Stage::Done:
    case Stage::Waiting:
        if (gone)
            setStage(name, s, Stage::Free);
        break;
    }
    const bool takeNext = m_acceptNew || (std::exchange(s.swapped, false) && m_onceRunning);
    if ((s.stage == Stage::Free || s.stage == Stage::Waiting) && here && takeNext) {
        begin(name, *present);
    } else if (s.stage == Stage::Free && here && m_watching) {
        s.device = present->device;
        s.node = present->node;
        setStage(name, s, Stage::Waiting);
        emit keyboardWaiting(name, present->shownDevice());
    } else if (s.stage == Stage::Free && !here) {
        s.device.clear();
        s.node.clear();
    }
}

void StationEngine::begin(const QString& name, const SocketPort& port)
{
    Socket& s = m_sockets[name];
    release(s);
    s.device = port.device;
    s.node = port.node;
    s.serial = port.serial;
    s.away = s.wentAway = s.restartOver = s.departed = s.swapped = false;
    m_idleSaid = false;
    emit keyboardFound(name, port.shownDevice());
    // Opened by the socket's name: after a restart it may stand for another node.
    s.job = new UploadJob(name, m_image, m_timings, m_verify, m_env.links(), m_clock, this);
    s.job->setDevice(port.shownDevice());
    connect(s.job, &UploadJob::stageChanged, this, [this, name](TransferStage t) {
        setStage(name, m_sockets[name], stageOf(t));
    });
    connect(s.job, &UploadJob::progress, this, [this, name](int byte) { emit progress(name, byte); });
    connect(s.job, &UploadJob::restartEnded, this, [this, name] { onRestartEnded(name); });
    connect(s.job, &UploadJob::finished, this, [this, name](const UploadResult& r) { onJobFinished(name, r); });
    setStage(name, s, Stage::Sending);
    m_starting.append(s.job);
    if (!m_starter->isActive())
        m_starter->start(0);
}

// Keyboards found together start one per turn of the event loop: opening a
// port and handing it an image takes a few milliseconds each.
void StationEngine::startNext()
{
    while (!m_starting.isEmpty()) {
        const QPointer<UploadJob> job = m_starting.takeFirst();
        if (!job)
            continue;
        job->start();
        break;
    }
    if (!m_starting.isEmpty())
        m_starter->start(0);
}

void StationEngine::setStage(const QString& name, Socket& s, Stage stage)
{
    if (s.stage == stage)
        return;
    s.stage = stage;
    emit stageChanged(name, stage);
}

void StationEngine::onRestartEnded(const QString& name)
{
    Socket& s = m_sockets[name];
    s.restartOver = true;
    scan();  // where is it now?
    if (s.stage != Stage::Restarting || !s.job || s.job->done())
        return;
    if (!s.away) {
        s.job->proceed(s.wentAway);
        return;
    }
    s.returnLimit = timer([this, name] { end(name, StationOutcome::NotBack, Stage::Free); });
    s.returnLimit->start(m_returnMs);
}

StationOutcome StationEngine::leftOutcome(Stage stage)
{
    return stage == Stage::Verifying ? StationOutcome::LeftDuringVerify : StationOutcome::LeftDuringTransfer;
}

void StationEngine::onJobFinished(const QString& name, const UploadResult& r)
{
    Socket& s = m_sockets[name];
    // A port that failed under a transfer may be a keyboard pulled out: the
    // system reports the failed write a moment before the device is gone, so
    // its verdict waits that moment, and a keyboard that left is said to have.
    if (!r.ok && !r.reason.isEmpty() && s.job && s.job->portWasOpen()) {
        if (!present(name)) {
            end(name, leftOutcome(s.stage), Stage::Free);
            return;
        }
        if (!s.settle) {
            s.settle = timer([this, name, r] {
                Socket& again = m_sockets[name];
                again.settle.reset();
                if (again.job)
                    present(name) ? report(name, r) : end(name, leftOutcome(again.stage), Stage::Free);
            });
            s.settle->start(SettleMs);
            return;
        }
    }
    report(name, r);
}

void StationEngine::report(const QString& name, const UploadResult& result)
{
    Socket& s = m_sockets[name];
    UploadResult r = result;
    r.serial = s.serial;
    release(s);
    // Done while it stays: a keyboard that failed is not tried again until it is plugged in anew.
    // One that replaced ours during the restart has had nothing from us yet.
    const bool swapped = r.kind == StationOutcome::Replaced;
    setStage(name, s, swapped ? Stage::Free : Stage::Done);
    s.swapped = swapped;
    if (swapped)
        s.serial.clear();
    emit keyboardDone(r);
    if (swapped)
        scan();
    checkIdle();
}

void StationEngine::end(const QString& name, StationOutcome kind, Stage next)
{
    Socket& s = m_sockets[name];
    if (!s.job)
        return;
    s.job->abandon(kind);
    // A job that had already failed on its own keeps its time, not its words.
    UploadResult r = s.job->result();
    r.ok = kind == StationOutcome::Replaced;
    r.kind = kind;
    r.serial = s.serial;
    if (kind == StationOutcome::Replaced)
        r.verification = Verification::NotAsked;
    r.outcome = outcomeText(r);
    r.reason.clear();
    release(s);
    setStage(name, s, next);
    emit keyboardDone(r);
    checkIdle();
}

void StationEngine::release(Socket& s)
{
    s.returnLimit.reset();
    s.settle.reset();
    if (!s.job)
        return;
    // Not destroyed inside its own signal.
    s.job->disconnect(this);
    s.job->deleteLater();
    s.job = nullptr;
}

void StationEngine::stop()
{
    m_acceptNew = false;
    m_onceRunning = false;
    checkIdle();
}

void StationEngine::interrupt()
{
    m_acceptNew = false;
    m_onceRunning = false;
    QStringList busy;
    for (const auto& [name, s] : m_sockets)
        if (s.job)
            busy << name;
    for (const QString& name : busy)
        end(name, StationOutcome::Interrupted, Stage::Done);
    checkIdle();
}

bool StationEngine::present(const QString& name) const
{
    for (const SocketPort& p : m_scanner())
        if (p.socket == name)
            return true;
    return false;
}

int StationEngine::inFlight() const
{
    int n = 0;
    for (const auto& [name, s] : m_sockets)
        n += s.job != nullptr;
    return n;
}

void StationEngine::checkIdle()
{
    if (m_acceptNew || inFlight() > 0 || m_idleSaid)
        return;
    m_idleSaid = true;
    if (!m_watching)
        m_poll->stop();
    QMetaObject::invokeMethod(this, &StationEngine::idle, Qt::QueuedConnection);
}
