#pragma once
// A bench of keyboards that exist only in memory, the links that reach them and a
// clock moved by hand: the station core's timelines run in milliseconds.
#include "bytelink.h"
#include "keyboardprotocol.h"
#include "portsocket.h"
#include "waitclock.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>

#include <algorithm>
#include <memory>

class FakeClock : public WaitClock
{
public:
    std::unique_ptr<WaitTimer> timer() override { return std::make_unique<Timer>(*this); }
    qint64 nowMs() const override { return m_now; }

    // Moves on to `until`, ending each wait due on the way in order, the event
    // queue emptied before each and at the end.
    void advanceTo(qint64 until)
    {
        for (;;) {
            drainEvents();
            Timer* next = nullptr;
            for (Timer* t : std::as_const(m_timers))
                if (t->due >= 0 && t->due <= until && (!next || std::pair(t->due, t->seq) < std::pair(next->due, next->seq)))
                    next = t;
            if (!next)
                break;
            m_now = next->due;
            next->fire();
        }
        m_now = std::max(m_now, until);
        drainEvents();
    }

private:
    struct Timer : WaitTimer {
        explicit Timer(FakeClock& c) : clock(c) { clock.m_timers << this; }
        ~Timer() override { clock.m_timers.removeOne(this); }
        void start(int ms) override
        {
            due = clock.m_now + ms;
            seq = clock.m_seq++;
        }
        void stop() override { due = -1; }
        bool isActive() const override { return due >= 0; }
        void fire()
        {
            due = -1;
            expire();
        }
        FakeClock& clock;
        qint64 due = -1;
        quint64 seq = 0;
    };

    static void drainEvents()
    {
        for (int i = 0; i < 8; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    QList<Timer*> m_timers;
    qint64 m_now = 0;
    quint64 m_seq = 0;
};

// A keyboard as the station sees it through its port.
struct FakeKeyboard {
    QString serial;
    QByteArray image = QByteArray(ImageSize, '\0');
    bool answers = true;    // false: stays silent after an upload
    bool refuses = false;   // every write fails while it sits there
    int pullAtByte = -1;    // pulled out as this byte of the image is written
    int uploads = 0;
};

class FakeBench
{
public:
    QHash<QString, FakeKeyboard*> sockets;  // what sits in each socket now
    int plugs = 0;

    void plug(const QString& socket, FakeKeyboard* k)
    {
        sockets[socket] = k;
        ++plugs;
        m_nodes[socket] = QString::number(plugs);  // a node made anew each time
    }
    void unplug(const QString& socket) { sockets.remove(socket); }

    QList<SocketPort> present() const
    {
        QList<SocketPort> out;
        for (auto it = sockets.cbegin(); it != sockets.cend(); ++it)
            out << SocketPort{it.key(), it.key(), it.value()->serial, m_nodes.value(it.key())};
        return out;
    }

private:
    QHash<QString, QString> m_nodes;
};

class FakeBenchLink : public ByteLink
{
public:
    explicit FakeBenchLink(FakeBench& bench) : m_bench(bench) {}

    bool open(const QString& name) override
    {
        m_socket = name;
        m_keyboard = m_bench.sockets.value(name);
        m_written.clear();
        m_incoming.clear();
        return m_keyboard != nullptr;
    }
    bool isOpen() const override { return m_keyboard != nullptr; }
    void close() override { m_keyboard = nullptr; }
    bool writeByte(uint8_t byte) override { return write(QByteArray(1, char(byte))); }
    bool write(const QByteArray& bytes) override
    {
        if (!there() || m_keyboard->refuses)
            return false;
        if (m_keyboard->pullAtByte >= 0 && m_written.size() >= m_keyboard->pullAtByte) {
            m_bench.unplug(m_socket);
            return false;
        }
        m_written += bytes;
        return true;
    }
    bool drain() override
    {
        if (!there())
            return false;
        const auto* bytes = reinterpret_cast<const uint8_t*>(m_written.constData());
        if (m_written.size() == ImageSize) {
            ++m_keyboard->uploads;
            const uint8_t crc = imageChecksum(bytes);
            if (crc == bytes[ImageChecksumOffset])
                m_keyboard->image = m_written;
            if (m_keyboard->answers)
                m_incoming = QByteArray(1, char(crc)) +
                             QByteArray(reinterpret_cast<const char*>(KeyboardProtocol::LayoutAddress), 4);
        } else if (m_written.size() == 2 && bytes[0] == KeyboardProtocol::ReadCommand) {
            m_incoming = m_keyboard->image;
        }
        m_written.clear();
        return true;
    }
    qint64 bytesAvailable() override { return there() ? m_incoming.size() : 0; }
    QByteArray readAll() override { return std::exchange(m_incoming, {}); }
    QString errorString() const override { return QStringLiteral("нет связи с устройством"); }

private:
    // The keyboard opened is still the one in the socket.
    bool there() const { return m_keyboard && m_bench.sockets.value(m_socket) == m_keyboard; }

    FakeBench& m_bench;
    QString m_socket;
    FakeKeyboard* m_keyboard = nullptr;
    QByteArray m_written;
    QByteArray m_incoming;
};
