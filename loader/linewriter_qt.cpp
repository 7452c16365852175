// Through QSerialPort alone. It writes what it holds in one system call, so it is given
// the next bytes only once it has written the last ones (bytesWritten): that keeps one
// write per call without any blocking wait on the shared event loop.
#include "linewriter.h"

#include <QElapsedTimer>

#include <cerrno>

namespace {
// Bits on the wire per byte at 8N1: start, eight data bits, stop.
constexpr int BitsPerByte = 10;
constexpr int RetryMs = 10;
}  // namespace

struct LineWriter::Os {
    QMetaObject::Connection written;
    QMetaObject::Connection room;
    QMetaObject::Connection failed;
    bool watching = false;
    // The driver's queue cannot be read through Qt: the time the written bytes take at
    // the line's rate stands in for it, so that waits begin once they are on the wire.
    QElapsedTimer clock;
    qint64 wireFreeAtNs = 0;
    // Bytes the line refused for want of room, which QSerialPort keeps and writes later.
    bool holding = false;

    bool refused(QSerialPort& port, QString& error);
};

LineWriter::LineWriter(QSerialPort& port) : m_port(port), m_os(std::make_unique<Os>())
{
    m_os->clock.start();
    m_os->written = QObject::connect(&m_port, &QSerialPort::bytesWritten, &m_port, [this](qint64 n) {
        const qint64 now = m_os->clock.nsecsElapsed();
        const qint64 rate = qMax<qint64>(m_port.baudRate(), 1);
        m_os->wireFreeAtNs = qMax(now, m_os->wireFreeAtNs) + n * BitsPerByte * 1000000000 / rate;
        m_os->holding = false;
    });
    // Queued: while bytesWritten is emitted QSerialPort still counts those bytes as its own.
    m_os->room = QObject::connect(&m_port, &QSerialPort::bytesWritten, &m_port, [this] {
        if (m_os->watching && m_ready)
            m_ready();
    }, Qt::QueuedConnection);
    m_os->failed = QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError e) {
        if ((e == QSerialPort::WriteError || e == QSerialPort::ResourceError) && m_os->watching && m_ready)
            m_ready();
    }, Qt::QueuedConnection);
}

LineWriter::~LineWriter()
{
    QObject::disconnect(m_os->written);
    QObject::disconnect(m_os->room);
    QObject::disconnect(m_os->failed);
}

// True when the port has failed to write; a full driver queue is reported as a resource
// error too, but Qt keeps those bytes and writes them once there is room: no failure.
bool LineWriter::Os::refused(QSerialPort& port, QString& error)
{
    const QSerialPort::SerialPortError e = port.error();
    if (e != QSerialPort::WriteError && e != QSerialPort::ResourceError)
        return false;
    if (port.errorString() == qt_error_string(EAGAIN)) {
        port.clearError();
        holding = true;
        return false;
    }
    holding = false;
    error = port.errorString();
    // Else Qt would try the same bytes again and again until the port is closed.
    port.clear(QSerialPort::Output);
    return true;
}

qint64 LineWriter::writeOnce(const char* data, qint64 size)
{
    // A failure may have come while Qt wrote in the background (a stopped line unplugged).
    if (m_os->refused(m_port, m_error))
        return -1;
    if (m_port.bytesToWrite() > 0)
        return 0;
    const qint64 n = m_port.write(data, size);
    if (n < 0) {
        m_error = m_port.errorString();
        return -1;
    }
    // The system write is made here and now, not on the next turn of the event loop.
    m_port.flush();
    return m_os->refused(m_port, m_error) ? -1 : n;
}

bool LineWriter::waitForRoom(int ms)
{
    if (m_port.bytesToWrite() > 0) {
        // Short waits, each followed by the write tried again: QSerialPort's own wait
        // does not notice a line that hangs up while it holds bytes the line refused.
        if (!m_port.waitForBytesWritten(qMin(ms, RetryMs)) && m_port.error() == QSerialPort::TimeoutError)
            m_port.clearError();
        m_port.flush();
    }
    return !m_os->refused(m_port, m_error);
}

void LineWriter::setRoomCallback(std::function<void()> ready)
{
    m_ready = std::move(ready);
}

void LineWriter::watchRoom(bool on)
{
    m_os->watching = on;
}

bool LineWriter::holdsBytes() const
{
    return m_os->holding;
}

int LineWriter::queued()
{
    const qint64 rate = m_port.baudRate();
    const qint64 onWire = qMax<qint64>(0, m_os->wireFreeAtNs - m_os->clock.nsecsElapsed()) * rate / (BitsPerByte * 1000000000LL);
    return int(m_port.bytesToWrite() + onWire);
}
