#pragma once
// The number each socket's tile bears. A list of sockets (a bench's file, one
// path a line) fixes the numbers of those it names, seen or not; the others
// follow them in the sorted order of their paths, so a hub's ports get the same
// numbers every run whatever order the keyboards are plugged in.
#include <QString>
#include <QStringList>

class SocketNumbers
{
public:
    // Fixes the numbers of `sockets`, 1 up in their order (a repeat keeps its first).
    void setListed(const QStringList& sockets);
    // Reads a list of sockets, one path a line; blank lines and lines that start with
    // "#" are skipped. False, with why in words for the user, when it cannot be read.
    bool load(const QString& path, QString* error);
    // Writes remembered() to `path` in one go; false with why, the file untouched.
    bool save(const QString& path, QString* error) const;

    // Notes a socket a keyboard was found in. Unlisted, it moves the unlisted
    // sockets seen before whose paths sort after it on by one.
    void see(const QString& socket);
    // 0 for a socket neither listed nor seen.
    int number(const QString& socket) const;
    // The sockets listed, then those seen besides, in the order of their numbers:
    // read back, the file gives every socket the number it has now.
    QStringList remembered() const;

    // Paths in order, with numbers within them compared as numbers: port 2 of a
    // hub comes before its port 10.
    static bool before(const QString& a, const QString& b);

private:
    QStringList m_listed;
    QStringList m_others;  // seen, not listed, kept sorted
};
