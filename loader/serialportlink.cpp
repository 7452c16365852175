#include "serialportlink.h"

#include "transferresult.h"

#include <QFileInfo>
#include <QThread>

#include <utility>

namespace {
// Generous next to the 77 ms that 881 bytes take at 115200 baud; only a dead
// line takes this long.
constexpr int DrainLimitMs = 3000;
// A port whose driver takes no byte for this long is as good as unplugged.
constexpr int WriteStallLimitMs = 3000;

QString notOpenText()
{
    return QStringLiteral("порт не открыт");
}

QString stallText()
{
    return QStringLiteral("порт не принимает данные %1 мс").arg(WriteStallLimitMs);
}

// The device node behind a port name, as the serial library finds it: a bare
// name ("ttyACM0") lives in /dev.
QString deviceOf(const QString& name)
{
    const bool path = name.startsWith(u'/') || name.startsWith(QLatin1String("./")) ||
                      name.startsWith(QLatin1String("../"));
    return path ? name : QStringLiteral("/dev/") + name;
}

// The library says PermissionError both when the device is not ours to open and
// when another program holds the port (its lock file, or the port opened for
// exclusive use); only in the first case is the device itself closed to us.
bool deviceClosedToUs(const QString& name)
{
    const QFileInfo device(deviceOf(name));
    return device.exists() && !(device.isReadable() && device.isWritable());
}
}  // namespace

SerialPortLink::SerialPortLink()
{
    m_port.setBaudRate(QSerialPort::Baud115200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_stall.setSingleShot(true);
    m_stall.setInterval(WriteStallLimitMs);
    QObject::connect(&m_stall, &QTimer::timeout, &m_stall, [this] {
        failWrite(stallText());
        abandonPending();
    });
    m_drainPoll.setSingleShot(true);
    QObject::connect(&m_drainPoll, &QTimer::timeout, &m_drainPoll, [this] { checkDrained(); });
    m_line.setRoomCallback([this] { sendPending(); });
}

SerialPortLink::~SerialPortLink()
{
    close();
}

bool SerialPortLink::open(const QString& name)
{
    close();
    m_writeError.clear();
    m_accessRefused = false;
    m_port.setPortName(name);
    // The settings made in the constructor are applied by open().
    if (m_port.open(QIODevice::ReadWrite))
        return true;
    // A file, a folder or a device that is no terminal is there but takes no line
    // settings; the system says so only in words of its own.
    const QSerialPort::SerialPortError e = m_port.error();
    m_accessRefused = e == QSerialPort::PermissionError && deviceClosedToUs(name);
    if (QFileInfo::exists(name) && e != QSerialPort::DeviceNotFoundError && e != QSerialPort::PermissionError &&
        e != QSerialPort::OpenError)
        m_writeError = QStringLiteral("это не последовательный порт");
    return false;
}

bool SerialPortLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialPortLink::close()
{
    abandonPending();
    if (m_port.isOpen())
        m_port.close();
}

QString SerialPortLink::errorString() const
{
    if (!m_writeError.isEmpty())
        return m_writeError;
    // A port that would not open, in words for the user; what the system said
    // after a failed write is passed on as it is.
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError: return QStringLiteral("порт не найден");
    case QSerialPort::PermissionError:
        return m_accessRefused ? QString::fromUtf16(PortAccessText) : QStringLiteral("нет доступа к порту");
    case QSerialPort::OpenError: return QStringLiteral("порт уже открыт");
    case QSerialPort::NotOpenError: return notOpenText();
    default: return m_port.errorString();
    }
}

bool SerialPortLink::failWrite(const QString& why)
{
    m_writeError = why;
    return false;
}

bool SerialPortLink::writeByte(uint8_t byte)
{
    const char c = char(byte);
    const QByteArray one(&c, 1);
    return write(one);
}

bool SerialPortLink::write(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return failWrite(notOpenText());
    if (!m_eventDriven)
        return writeBlocking(bytes.constData(), bytes.size());
    // A write that failed earlier in the background ends the transfer.
    if (!m_writeError.isEmpty())
        return false;
    qint64 done = 0;
    if (m_pending.isEmpty()) {
        done = writeOnce(bytes.constData(), bytes.size());
        if (done < 0)
            return false;
        if (done == bytes.size())
            return true;
    }
    m_pending.append(bytes.mid(done));
    m_line.watchRoom(true);
    if (!m_stall.isActive())
        m_stall.start();
    return true;
}

// One write call: the bytes it took, 0 when the driver's queue is full, -1 on failure.
qint64 SerialPortLink::writeOnce(const char* data, qint64 size)
{
    const qint64 n = m_line.writeOnce(data, size);
    if (n < 0)
        failWrite(m_line.error());
    return n;
}

bool SerialPortLink::writeBlocking(const char* data, qint64 size)
{
    qint64 done = 0;
    QDeadlineTimer stalled(WriteStallLimitMs);
    while (done < size || m_line.holdsBytes()) {
        const qint64 n = done < size ? writeOnce(data + done, size - done) : 0;
        if (n < 0)
            return false;
        if (n > 0) {
            done += n;
            stalled.setRemainingTime(WriteStallLimitMs);
            continue;
        }
        if (!m_line.waitForRoom(int(stalled.remainingTime())))
            return failWrite(m_line.error());
        if (stalled.hasExpired())
            return failWrite(stallText());
    }
    return true;
}

void SerialPortLink::sendPending()
{
    while (!m_pending.isEmpty()) {
        QByteArray& next = m_pending.first();
        const qint64 n = writeOnce(next.constData(), next.size());
        if (n < 0) {
            abandonPending();
            return;
        }
        if (n == 0)
            return;  // the notifier calls again once there is room
        m_stall.start();
        if (n == next.size())
            m_pending.removeFirst();
        else
            next.remove(0, n);
    }
    m_stall.stop();
    m_line.watchRoom(false);
    m_drainDeadline.setRemainingTime(DrainLimitMs);
    checkDrained();
}

void SerialPortLink::abandonPending()
{
    m_pending.clear();
    m_stall.stop();
    m_line.watchRoom(false);
    if (m_drainDone)
        finishDrain(false);
}

bool SerialPortLink::drain()
{
    if (!m_port.isOpen())
        return failWrite(notOpenText());
    while (!m_pending.isEmpty()) {
        if (!writeBlocking(m_pending.first().constData(), m_pending.first().size())) {
            abandonPending();
            return false;
        }
        m_pending.removeFirst();
    }
    m_stall.stop();
    if (!m_writeError.isEmpty())
        return false;
    // Then wait until the driver's own queue is on the wire. Polled rather than
    // tcdrain() so a stuck device cannot hang the caller.
    const QDeadlineTimer deadline(DrainLimitMs);
    while (const int queued = m_line.queued()) {
        if (deadline.hasExpired())
            return failWrite(QStringLiteral("%1 bytes still queued after %2 ms").arg(queued).arg(DrainLimitMs));
        if (!m_line.waitForRoom(1))
            return failWrite(m_line.error());
        QThread::usleep(500);
    }
    return true;
}

void SerialPortLink::drainThen(QObject* context, std::function<void(bool)> done)
{
    if (!m_eventDriven || !m_port.isOpen() || !m_writeError.isEmpty()) {
        done(drain());
        return;
    }
    m_drainContext = context;
    m_drainDone = std::move(done);
    m_drainDeadline.setRemainingTime(DrainLimitMs);
    checkDrained();
}

void SerialPortLink::checkDrained()
{
    if (!m_drainDone || !m_pending.isEmpty())
        return;  // sendPending() looks again once the last byte went out
    const int queued = m_line.queued();
    if (queued == 0) {
        finishDrain(true);
    } else if (m_drainDeadline.hasExpired()) {
        failWrite(QStringLiteral("%1 bytes still queued after %2 ms").arg(queued).arg(DrainLimitMs));
        finishDrain(false);
    } else {
        m_drainPoll.start(1);
    }
}

void SerialPortLink::finishDrain(bool ok)
{
    m_drainPoll.stop();
    const std::function<void(bool)> done = std::exchange(m_drainDone, nullptr);
    const QPointer<QObject> context = std::exchange(m_drainContext, nullptr);
    if (done && context)
        done(ok);
}

void SerialPortLink::pullPending()
{
    // The port is polled, so bytes may still sit in the driver; take them in
    // without waiting.
    while (m_port.isOpen() && m_port.waitForReadyRead(0)) {
    }
    if (m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
}

qint64 SerialPortLink::bytesAvailable()
{
    pullPending();
    return m_port.bytesAvailable();
}

QByteArray SerialPortLink::readAll()
{
    pullPending();
    return m_port.readAll();
}
