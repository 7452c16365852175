#pragma once
#include "bytelink.h"

#include <QSerialPort>

// The keyboard's serial line: 115200 baud, 8 data bits, no parity, 1 stop bit,
// no flow control, opened for reading and writing.
//
// Writes go to the port's descriptor directly, one system call per write:
// QSerialPort would collect them and hand the driver one block, and the
// keyboard is paced by the host's calls (a USB serial device receives one
// transfer per call).
class SerialPortLink : public ByteLink
{
public:
    SerialPortLink();
    ~SerialPortLink() override;

    bool open(const QString& name) override;
    bool isOpen() const override;
    void close() override;
    bool writeByte(uint8_t byte) override;
    bool write(const QByteArray& bytes) override;
    bool drain() override;
    qint64 bytesAvailable() override;
    QByteArray readAll() override;

    // Why the last write or drain failed, else why the last open failed.
    QString errorString() const override;

private:
    bool writeBlock(const char* data, qint64 size);
    bool failWrite(const QString& why);
    void pullPending();

    QSerialPort m_port;
    QString m_writeError;  // cleared by open()
};
