#include "socketnumbers.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
}  // namespace

void SocketNumbers::setListed(const QStringList& sockets)
{
    const QStringList seen = m_listed + m_others;
    m_listed.clear();
    for (const QString& s : sockets)
        if (!m_listed.contains(s))
            m_listed << s;
    m_others.clear();
    for (const QString& s : seen)
        if (!m_listed.contains(s))
            m_others << s;
    std::sort(m_others.begin(), m_others.end(), before);
}

bool SocketNumbers::load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    QStringList sockets;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString socket = line.trimmed();
        if (!socket.isEmpty() && !socket.startsWith(u'#'))
            sockets << socket;
    }
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    setListed(sockets);
    return true;
}

bool SocketNumbers::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    QByteArray text;
    for (const QString& s : remembered())
        text += s.toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void SocketNumbers::see(const QString& socket)
{
    if (!m_listed.contains(socket) && !m_others.contains(socket))
        m_others.insert(std::lower_bound(m_others.begin(), m_others.end(), socket, before), socket);
}

int SocketNumbers::number(const QString& socket) const
{
    if (const qsizetype i = m_listed.indexOf(socket); i >= 0)
        return int(i) + 1;
    if (const qsizetype i = m_others.indexOf(socket); i >= 0)
        return int(m_listed.size() + i) + 1;
    return 0;
}

QStringList SocketNumbers::remembered() const
{
    return m_listed + m_others;
}

bool SocketNumbers::before(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Leading zeros aside, the longer run of digits is the larger number.
            qsizetype ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            QStringView x = QStringView(a).mid(i, ei - i), y = QStringView(b).mid(j, ej - j);
            while (x.size() > 1 && x.front() == u'0')
                x = x.mid(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.mid(1);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return a.size() - i < b.size() - j;
    // Equal but for leading zeros: still one order.
    return a < b;
}
