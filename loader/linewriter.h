#pragma once
// The serial line's writes as the keyboard needs them: one system write per call, so
// that a USB serial device receives one transfer per upload byte. QSerialPort left to
// itself would gather bytes and hand the driver one block.
#include <QSerialPort>
#include <QString>

#include <functional>
#include <memory>

class LineWriter
{
public:
    explicit LineWriter(QSerialPort& port);
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Makes one system write of `data`: the bytes it took, 0 when the line has no room
    // now (nothing was handed over), -1 when the port refused them (error() says why).
    qint64 writeOnce(const char* data, qint64 size);

    // Some bytes that writeOnce() took wait in the writer itself for the line to make
    // room. A blocking write is not done until they are out.
    bool holdsBytes() const;

    // Blocks until writeOnce() may find room, at most `ms`. False only when the port
    // failed meanwhile. Never used while many ports share the event loop.
    bool waitForRoom(int ms);

    // While on, `ready` is called from the event loop whenever the line may take more
    // bytes, or has failed (the next writeOnce() then says so).
    void setRoomCallback(std::function<void()> ready);
    void watchRoom(bool on);

    // Bytes handed over that are not on the wire yet; 0 where that cannot be told.
    int queued();

    // Why the last writeOnce() or waitForRoom() failed.
    QString error() const { return m_error; }

private:
    struct Os;
    QSerialPort& m_port;
    std::unique_ptr<Os> m_os;
    std::function<void()> m_ready;
    QString m_error;
};
