#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

class QObject;

// The byte pipe the transfer protocol talks through. The real one is a serial
// port; tests put a fake behind it. The protocol polls: it writes, waits, then
// looks at what has arrived, so nothing here signals incoming data.
class ByteLink
{
public:
    virtual ~ByteLink() = default;

    // Opens `name` for reading and writing with the keyboard's line settings.
    virtual bool open(const QString& name) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;

    // One write call per byte: the upload is sent this way, byte by byte.
    virtual bool writeByte(uint8_t byte) = 0;
    // One write call for the whole block (the read request).
    virtual bool write(const QByteArray& bytes) = 0;
    // Returns once everything written has left the host, or the link gave up.
    // The answer wait must not start while the image is still queued here.
    virtual bool drain() = 0;
    // The same, told through `done` (true: drained). Here in place; a link
    // that must not hold up the event loop calls back from it later, and not
    // at all once `context` is gone.
    virtual void drainThen(QObject* context, std::function<void(bool)> done)
    {
        (void)context;
        done(drain());
    }

    // Bytes received and not yet read, including any that were waiting before
    // the last write: the protocol never discards input.
    virtual qint64 bytesAvailable() = 0;
    virtual QByteArray readAll() = 0;

    // Why the last open failed, when the link knows; for messages only.
    virtual QString errorString() const { return {}; }
    // Whether the last open failed because this user may not use the device (not
    // because another program holds it).
    virtual bool accessRefused() const { return false; }
};
