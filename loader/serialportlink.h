#pragma once
#include "bytelink.h"

#include <QSerialPort>

// The keyboard's serial line: 115200 baud, 8 data bits, no parity, 1 stop bit,
// no flow control, opened for reading and writing.
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

    QString errorString() const override { return m_port.errorString(); }

private:
    void pullPending();

    QSerialPort m_port;
};
