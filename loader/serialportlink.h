#pragma once
#include "bytelink.h"
#include "linewriter.h"

#include <QDeadlineTimer>
#include <QList>
#include <QPointer>
#include <QSerialPort>
#include <QTimer>


// The keyboard's serial line: 115200 baud, 8 data bits, no parity, 1 stop bit,
// no flow control, opened for reading and writing.
//
// Every write is one system call (LineWriter): the keyboard is paced by the
// host's calls, a USB serial device receiving one transfer per call.
class SerialPortLink : public ByteLink
{
public:
    SerialPortLink();
    ~SerialPortLink() override;

    // Off by default, as the loader dialog wants it: a write returns once the
    // driver has the bytes. On, nothing here holds up the event loop: bytes
    // the driver cannot take yet wait in this link and go out as it makes
    // room, still one write call each, and drainThen() answers from the event
    // loop. For many ports served by one event loop.
    void setEventDriven(bool on) { m_eventDriven = on; }

    bool open(const QString& name) override;
    bool isOpen() const override;
    void close() override;
    bool writeByte(uint8_t byte) override;
    bool write(const QByteArray& bytes) override;
    bool drain() override;
    void drainThen(QObject* context, std::function<void(bool)> done) override;
    qint64 bytesAvailable() override;
    QByteArray readAll() override;

    // Why the last write or drain failed, else why the last open failed.
    QString errorString() const override;
    bool accessRefused() const override { return m_accessRefused; }

private:
    qint64 writeOnce(const char* data, qint64 size);
    bool writeBlocking(const char* data, qint64 size);
    bool failWrite(const QString& why);
    void sendPending();
    void abandonPending();
    void checkDrained();
    void finishDrain(bool ok);
    void pullPending();

    QSerialPort m_port;
    QString m_writeError;  // cleared by open()
    bool m_accessRefused = false;
    bool m_eventDriven = false;

    // Event-driven mode: each entry is one write call still to make.
    QList<QByteArray> m_pending;
    LineWriter m_line{m_port};
    QTimer m_stall;        // no byte taken for this long: the port is dead
    QTimer m_drainPoll;    // looks again at the driver's queue
    QDeadlineTimer m_drainDeadline;
    QPointer<QObject> m_drainContext;
    std::function<void(bool)> m_drainDone;
};
