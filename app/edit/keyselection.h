#pragma once
// The keys chosen to be worked on together. Positions are the model's (col, row); a
// wide or tall key is one position, the places it covers are never chosen.
#include "keytypes.h"

#include <QList>
#include <QObject>
#include <QPoint>

#include <bitset>

class KeySelection : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    bool contains(QPoint key) const { return valid(key) && m_keys[index(key)]; }
    int count() const { return int(m_keys.count()); }
    bool isEmpty() const { return m_keys.none(); }
    // Columns outer, rows inner.
    QList<QPoint> keys() const;
    // Where a Shift+click or Shift+arrow grows from: the last key chosen.
    QPoint anchor() const { return m_anchor; }

    // Adds or removes one key, which becomes the anchor.
    void toggle(QPoint key);
    // The keys chosen up to the anchor, and every key that lies (even in part) in the
    // grid rectangle from the anchor to `to`; `anchor` becomes the anchor. A later span
    // replaces this one's rectangle, as Shift+click does in a file manager.
    void selectSpan(QPoint anchor, QPoint to);
    void selectAll();
    void select(const QList<QPoint>& keys);
    void clear();

signals:
    void changed();

private:
    static bool valid(QPoint key);
    static int index(QPoint key) { return keyIndex(key.x(), key.y()); }
    void set(const std::bitset<KeyCount>& keys);

    std::bitset<KeyCount> m_keys;
    // What was chosen when the anchor was set: the spans are added to it.
    std::bitset<KeyCount> m_base;
    QPoint m_anchor{-1, -1};
};
