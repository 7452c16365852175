#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>

// Little-endian access to fixed-offset records. Every field is read and written
// byte by byte at its own offset, so the stored layout never depends on how the
// compiler lays out a struct. Out-of-range accesses are ignored (reads give 0):
// callers check the record's size first, this only keeps a slip from reading or
// writing past the buffer.

class LeWriter
{
public:
    // A zero-filled record of `size` bytes: reserved and padding bytes stay zero.
    explicit LeWriter(int size) : m_bytes(size, '\0') {}

    void u8(int at, uint8_t v)
    {
        if (at >= 0 && at < m_bytes.size())
            m_bytes[at] = char(v);
    }
    void i32(int at, int32_t v)
    {
        const uint32_t u = uint32_t(v);
        for (int i = 0; i < 4; ++i)
            u8(at + i, uint8_t(u >> (8 * i)));
    }
    // `units` UTF-16LE code units: the text's first units, then zero units.
    void utf16(int at, const QString& text, int units)
    {
        for (int i = 0; i < units; ++i) {
            const uint16_t u = i < text.size() ? text.at(i).unicode() : 0;
            u8(at + 2 * i, uint8_t(u));
            u8(at + 2 * i + 1, uint8_t(u >> 8));
        }
    }
    void bytes(int at, const uint8_t* data, int n)
    {
        for (int i = 0; i < n; ++i)
            u8(at + i, data[i]);
    }

    const QByteArray& result() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

class LeReader
{
public:
    explicit LeReader(const QByteArray& bytes) : m_bytes(bytes) {}

    uint8_t u8(int at) const { return at >= 0 && at < m_bytes.size() ? uint8_t(m_bytes[at]) : 0; }
    int32_t i32(int at) const
    {
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= uint32_t(u8(at + i)) << (8 * i);
        return int32_t(u);
    }
    uint16_t u16(int at) const { return uint16_t(u8(at) | (u8(at + 1) << 8)); }
    // The code units before the first zero unit, at most `units` of them.
    QString utf16(int at, int units) const
    {
        QString s;
        for (int i = 0; i < units; ++i) {
            const uint16_t u = u16(at + 2 * i);
            if (u == 0)
                break;
            s.append(QChar(u));
        }
        return s;
    }
    bool has(int at, int n) const { return at >= 0 && n >= 0 && at + n <= m_bytes.size(); }

private:
    const QByteArray& m_bytes;
};
