#pragma once
// The key test's bookkeeping, apart from any window: what each key of a keyboard image
// types, which keys a burst could have come from, and which have been pressed so far.
#include "keygeometry.h"
#include "keystrokes.h"

#include <QByteArray>
#include <QList>
#include <QPoint>

#include <array>

// What one burst did to the test.
struct KeyPress {
    // The keys (col, row) whose output it is, in reading order; more than one when the
    // computer cannot tell them apart.
    QList<QPoint> keys;
    // The key of `keys` this press counts for; (-1, -1) when all of them are pressed.
    QPoint counted{-1, -1};
};

class KeyTestSession
{
public:
    // `image`: the 881 bytes the keyboard holds. A slot of a position hidden under a
    // wide or tall key belongs to the key that covers it: the same cap presses it.
    explicit KeyTestSession(const QByteArray& image);

    // A key counts once it has a press of its own: keys that share an output need as
    // many presses of it as there are of them, each counting for the first of them in
    // reading order not yet pressed. A press that could only be one key already
    // counted for a key sharing an output takes that key back, and the earlier press
    // moves on to another one it may have been.
    KeyPress press(const KeyOutput& output);
    void reset();

    bool sendsAnything(int col, int row) const { return !outputs(col, row).isEmpty(); }
    bool tested(int col, int row) const { return m_owner[keyIndex(col, row)] >= 0; }
    int testedCount() const;
    int keysThatSend() const;
    // The keys that send something and have not been pressed, in reading order.
    QList<QPoint> untested() const;

private:
    const QList<KeyOutput>& outputs(int col, int row) const { return m_outputs[keyIndex(col, row)]; }
    bool assign(int press, std::array<bool, KeyCount>& seen);

    std::array<QList<KeyOutput>, KeyCount> m_outputs;  // every reading of every slot, once each
    QList<QList<int>> m_presses;                        // the key indices each counted press may be
    std::array<int, KeyCount> m_owner;                  // the press a key counts by, or -1
};
