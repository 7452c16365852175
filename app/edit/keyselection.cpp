#include "keyselection.h"

#include <QRect>

namespace {
// The grid cells a key stands on.
QRect cells(QPoint key)
{
    const int left = keyLeftColumn(key.x(), key.y()), top = keyTopRow(key.x(), key.y());
    return QRect(QPoint(left, top), QPoint(key.x(), key.y()));
}
}  // namespace

bool KeySelection::valid(QPoint key)
{
    return key.x() >= 0 && key.x() < KeyCols && key.y() >= 0 && key.y() < KeyRows && !isCoveredKey(key.x(), key.y());
}

QList<QPoint> KeySelection::keys() const
{
    QList<QPoint> out;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            if (m_keys[index({c, r})])
                out.append({c, r});
    return out;
}

void KeySelection::set(const std::bitset<KeyCount>& keys)
{
    if (keys == m_keys)
        return;
    m_keys = keys;
    emit changed();
}

void KeySelection::toggle(QPoint key)
{
    if (!valid(key))
        return;
    std::bitset<KeyCount> keys = m_keys;
    keys.flip(index(key));
    m_anchor = key;
    m_base = keys;
    set(keys);
}

void KeySelection::selectSpan(QPoint from, QPoint to)
{
    if (!valid(from) || !valid(to))
        return;
    if (from != m_anchor)
        m_base = m_keys;
    const QRect span = cells(from).united(cells(to));
    std::bitset<KeyCount> keys = m_base;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            if (valid({c, r}) && span.intersects(cells({c, r})))
                keys.set(index({c, r}));
    m_anchor = from;
    set(keys);
}

void KeySelection::selectAll()
{
    std::bitset<KeyCount> keys;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            keys.set(index({c, r}), valid({c, r}));
    m_base = keys;
    set(keys);
}

void KeySelection::select(const QList<QPoint>& list)
{
    std::bitset<KeyCount> keys;
    for (const QPoint& k : list)
        if (valid(k))
            keys.set(index(k));
    m_base = keys;
    set(keys);
}

void KeySelection::clear()
{
    m_anchor = {-1, -1};
    m_base.reset();
    set({});
}
