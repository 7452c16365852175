#include "serialportlink.h"

#include <QDeadlineTimer>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {
// Generous next to the 77 ms that 881 bytes take at 115200 baud; only a dead
// line takes this long.
constexpr int DrainLimitMs = 3000;
// A port whose driver takes no byte for this long is as good as unplugged.
constexpr int WriteStallLimitMs = 3000;
}  // namespace

SerialPortLink::SerialPortLink()
{
    m_port.setBaudRate(QSerialPort::Baud115200);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

SerialPortLink::~SerialPortLink()
{
    close();
}

bool SerialPortLink::open(const QString& name)
{
    if (m_port.isOpen())
        m_port.close();
    m_writeError.clear();
    m_port.setPortName(name);
    // The settings made in the constructor are applied by open().
    return m_port.open(QIODevice::ReadWrite);
}

bool SerialPortLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialPortLink::close()
{
    if (m_port.isOpen())
        m_port.close();
}

QString SerialPortLink::errorString() const
{
    return m_writeError.isEmpty() ? m_port.errorString() : m_writeError;
}

bool SerialPortLink::failWrite(const QString& why)
{
    m_writeError = why;
    return false;
}

bool SerialPortLink::writeByte(uint8_t byte)
{
    const char c = char(byte);
    return writeBlock(&c, 1);
}

bool SerialPortLink::write(const QByteArray& bytes)
{
    return writeBlock(bytes.constData(), bytes.size());
}

bool SerialPortLink::writeBlock(const char* data, qint64 size)
{
    if (!m_port.isOpen())
        return failWrite(QStringLiteral("the port is not open"));
#ifdef Q_OS_UNIX
    const int fd = int(m_port.handle());
    qint64 done = 0;
    QDeadlineTimer stalled(WriteStallLimitMs);
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n > 0) {
            done += n;
            stalled.setRemainingTime(WriteStallLimitMs);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return failWrite(qt_error_string(errno));
        // The driver's queue is full (the descriptor is non-blocking): wait for room.
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, int(stalled.remainingTime()));
        if (r == 0)
            return failWrite(QStringLiteral("the port took no data for %1 ms").arg(WriteStallLimitMs));
        if (r < 0 && errno != EINTR)
            return failWrite(qt_error_string(errno));
    }
    return true;
#else
    if (m_port.write(data, size) != size || !m_port.waitForBytesWritten(WriteStallLimitMs))
        return failWrite(m_port.errorString());
    return true;
#endif
}

bool SerialPortLink::drain()
{
    if (!m_port.isOpen())
        return failWrite(QStringLiteral("the port is not open"));
    const QDeadlineTimer deadline(DrainLimitMs);
    // Anything QSerialPort still holds goes to the driver first (nothing, where
    // writes go to the descriptor directly).
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
    }
    if (m_port.bytesToWrite() > 0)
        return failWrite(m_port.errorString());
#ifdef Q_OS_LINUX
    // Then wait until the driver's own queue is on the wire. Polled rather than
    // tcdrain() so a stuck device cannot hang the caller.
    const int fd = int(m_port.handle());
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (deadline.hasExpired())
            return failWrite(QStringLiteral("%1 bytes still queued after %2 ms").arg(queued).arg(DrainLimitMs));
        QThread::usleep(500);
    }
#endif
    return true;
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
