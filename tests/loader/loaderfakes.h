#pragma once
// Stand-ins for the serial line, the controls and the system's port list, so
// the protocol can be driven without hardware.
#include "bytelink.h"
#include "keyimage.h"
#include "loaderview.h"
#include "portsource.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

class FakeLink : public ByteLink
{
public:
    bool openResult = true;
    bool opened = false;
    QStringList openedNames;
    int closeCalls = 0;
    QList<QByteArray> writes;  // one entry per write call
    QByteArray incoming;       // what the keyboard has sent and nobody read yet
    int drainCalls = 0;
    int readAllCalls = 0;
    std::function<void()> onDrain;  // runs inside drain(): the "line" at work
    int refuseFrom = -1;            // write calls from this one on fail, as on an unplugged port
    bool drainResult = true;

    bool open(const QString& name) override
    {
        openedNames << name;
        opened = openResult;
        return openResult;
    }
    bool isOpen() const override { return opened; }
    void close() override
    {
        ++closeCalls;
        opened = false;
    }
    bool writeByte(uint8_t byte) override { return write(QByteArray(1, char(byte))); }
    bool write(const QByteArray& bytes) override
    {
        if (refuseFrom >= 0 && writes.size() >= refuseFrom)
            return false;
        writes << bytes;
        return opened;
    }
    bool drain() override
    {
        ++drainCalls;
        if (onDrain)
            onDrain();
        return drainResult;
    }
    qint64 bytesAvailable() override { return incoming.size(); }
    QByteArray readAll() override
    {
        ++readAllCalls;
        QByteArray r = incoming;
        incoming.clear();
        return r;
    }

    QByteArray written() const { return writes.join(); }
};

// Everything the machine can change on screen, comparable as a whole so a test
// can prove that an ignored event changed nothing.
struct ViewState {
    QStringList log;
    int progress = 0;  // -1 once reset
    QString portText = QStringLiteral("ОТКРЫТЬ ПОРТ");
    QString transferText = QStringLiteral("ЗАГРУЗИТЬ РАСКЛАДКУ");
    bool portEnabled = true;
    bool transferEnabled = false;
    bool exitEnabled = true;
    bool operator==(const ViewState&) const = default;
};

class RecordingView : public LoaderView
{
public:
    RecordingView() { m_clock.start(); }

    QString port = QStringLiteral("/dev/ttyKBD0");
    ViewState s;
    int clears = 0;
    QList<int> progressCalls;
    QHash<QString, qint64> firstLoggedNs;  // when each text was first logged

    // Milliseconds between the first logging of `from` and of `to`.
    double msBetween(const QString& from, const QString& to) const
    {
        return (firstLoggedNs.value(to) - firstLoggedNs.value(from)) / 1e6;
    }

    QString currentPortName() const override { return port; }
    void clearLog() override
    {
        ++clears;
        s.log.clear();
    }
    void appendLog(const QString& line) override
    {
        s.log << line;
        if (!firstLoggedNs.contains(line))
            firstLoggedNs.insert(line, m_clock.nsecsElapsed());
    }
    void resetProgress() override { s.progress = -1; }
    void setProgress(int value) override
    {
        s.progress = value;
        progressCalls << value;
    }
    void setPortButtonText(const QString& text) override { s.portText = text; }
    void setTransferButtonText(const QString& text) override { s.transferText = text; }
    void setPortButtonEnabled(bool enabled) override { s.portEnabled = enabled; }
    void setTransferButtonEnabled(bool enabled) override { s.transferEnabled = enabled; }
    void setExitButtonEnabled(bool enabled) override { s.exitEnabled = enabled; }

private:
    QElapsedTimer m_clock;
};

class FakePortSource : public PortSource
{
public:
    QList<PortInfo> list;
    QList<PortInfo> ports() const override { return list; }
};

// An image with every byte different from its neighbours and a valid checksum.
inline QByteArray sampleImage(int seed = 7)
{
    QByteArray img(ImageSize, '\0');
    for (int i = 0; i < ImageChecksumOffset; ++i)
        img[i] = char((i * seed + 3) & 0xFF);
    img[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(img.constData())));
    return img;
}

// The answer of a keyboard that took an image with checksum `crc`.
inline QByteArray goodAnswer(uint8_t crc)
{
    return QByteArray::fromHex("0000680000").replace(0, 1, QByteArray(1, char(crc)));
}

// The log lines an upload or read-back dump shows for `bytes`: 11 bytes a line,
// "%02X " each, whole lines only.
inline QStringList hexLines(const QByteArray& bytes, int count)
{
    QStringList lines;
    QString line;
    for (int i = 0; i < count; ++i) {
        line += QString::asprintf("%02X ", uint8_t(bytes[i]));
        if ((i + 1) % 11 == 0) {
            lines << line;
            line.clear();
        }
    }
    return lines;
}
