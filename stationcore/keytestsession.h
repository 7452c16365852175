#pragma once
// The key test's bookkeeping, apart from any window: what each key of a keyboard image
// types, which keys a burst could have come from, and which have been pressed so far.
#include "keygeometry.h"
#include "keystrokes.h"

#include <QByteArray>
#include <QList>
#include <QPoint>

#include <array>

class KeyTestSession
{
public:
    // `image`: the 881 bytes the keyboard holds. A slot of a position hidden under a
    // wide or tall key belongs to the key that covers it: the same cap presses it.
    explicit KeyTestSession(const QByteArray& image);

    // The keys (col, row) that type `output`, in reading order; they count as tested.
    QList<QPoint> press(const KeyOutput& output);
    void reset();

    bool sendsAnything(int col, int row) const { return !outputs(col, row).isEmpty(); }
    bool tested(int col, int row) const { return m_tested[keyIndex(col, row)]; }
    int testedCount() const;
    int keysThatSend() const;
    // The keys that send something and have not been pressed, in reading order.
    QList<QPoint> untested() const;

private:
    const QList<KeyOutput>& outputs(int col, int row) const { return m_outputs[keyIndex(col, row)]; }

    std::array<QList<KeyOutput>, KeyCount> m_outputs;  // every slot's output, once each
    std::array<bool, KeyCount> m_tested{};
};

