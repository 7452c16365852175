// Straight to the port's descriptor: ::write once per call, poll() for room, a socket
// notifier for the event loop, and the driver's own output queue for draining.
#include "linewriter.h"

#include <QSocketNotifier>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {
int descriptor(const QSerialPort& port)
{
    return int(port.handle());
}
}  // namespace

struct LineWriter::Os {
    std::unique_ptr<QSocketNotifier> writable;
};

LineWriter::LineWriter(QSerialPort& port) : m_port(port), m_os(std::make_unique<Os>()) {}

LineWriter::~LineWriter() = default;

qint64 LineWriter::writeOnce(const char* data, qint64 size)
{
    for (;;) {
        const ssize_t n = ::write(descriptor(m_port), data, size_t(size));
        if (n >= 0)
            return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR) {
            m_error = qt_error_string(errno);
            return -1;
        }
    }
}

bool LineWriter::waitForRoom(int ms)
{
    // The descriptor is non-blocking: a full driver queue is waited for here.
    pollfd p{descriptor(m_port), POLLOUT, 0};
    if (::poll(&p, 1, ms) < 0 && errno != EINTR) {
        m_error = qt_error_string(errno);
        return false;
    }
    return true;
}

void LineWriter::setRoomCallback(std::function<void()> ready)
{
    m_ready = std::move(ready);
}

void LineWriter::watchRoom(bool on)
{
    if (on && (!m_os->writable || m_os->writable->socket() != m_port.handle())) {
        m_os->writable = std::make_unique<QSocketNotifier>(m_port.handle(), QSocketNotifier::Write);
        QObject::connect(m_os->writable.get(), &QSocketNotifier::activated, m_os->writable.get(), [this] {
            if (m_ready)
                m_ready();
        });
    }
    // The notifier itself stays: this may be reached from its own signal.
    if (m_os->writable)
        m_os->writable->setEnabled(on);
}

bool LineWriter::holdsBytes() const
{
    return false;  // what write() did not take stays with the caller
}

int LineWriter::queued()
{
    int bytes = 0;
#ifdef Q_OS_LINUX
    if (::ioctl(descriptor(m_port), TIOCOUTQ, &bytes) != 0)
        bytes = 0;
#endif
    return bytes;
}
