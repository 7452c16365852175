#include "serialportlink.h"

#include <QDeadlineTimer>
#include <QThread>

#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {
// Generous next to the 77 ms that 881 bytes take at 115200 baud; only a dead
// line takes this long, and then the missing answer says so.
constexpr int DrainLimitMs = 3000;
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

bool SerialPortLink::writeByte(uint8_t byte)
{
    const char c = char(byte);
    return m_port.write(&c, 1) == 1;
}

bool SerialPortLink::write(const QByteArray& bytes)
{
    return m_port.write(bytes) == bytes.size();
}

bool SerialPortLink::drain()
{
    if (!m_port.isOpen())
        return false;
    const QDeadlineTimer deadline(DrainLimitMs);
    // QSerialPort queues writes until the event loop runs; push them to the driver now.
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port.waitForBytesWritten(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
    }
    if (m_port.bytesToWrite() > 0)
        return false;
#ifdef Q_OS_LINUX
    // Then wait until the driver's own queue is on the wire. Polled rather than
    // tcdrain() so a stuck device cannot hang the caller.
    const int fd = int(m_port.handle());
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (deadline.hasExpired())
            return false;
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
