#include "keytestsession.h"

#include "keyimage.h"

#include <algorithm>
#include <utility>

namespace {
// The visible key a position belongs to: itself, or the wide or tall key covering it.
QPoint capOf(int col, int row)
{
    if (!isCoveredKey(col, row))
        return {col, row};
    if (col + 1 < KeyCols && keyShape(col + 1, row) == KeyShape::Wide)
        return {col + 1, row};
    return {col, row + 1};
}
}  // namespace

KeyTestSession::KeyTestSession(const QByteArray& image)
{
    if (image.size() < ImageSize)
        return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(image.constData());
    for (int s = 0; s < ImageSlots; ++s) {
        if (!KeySlots[s].isKey())
            continue;
        const QPoint cap = capOf(KeySlots[s].col, KeySlots[s].row);
        const KeyOutput output = keyOutput(TKeyMap::fromBytes(bytes + s * TKeyMap::Size));
        QList<KeyOutput>& known = m_outputs[keyIndex(cap.x(), cap.y())];
        if (!output.isEmpty() && !known.contains(output))
            known.append(output);
    }
}

QList<QPoint> KeyTestSession::press(const KeyOutput& output)
{
    QList<QPoint> keys;
    for (const QPoint& k : keysInReadingOrder())
        if (outputs(k.x(), k.y()).contains(output)) {
            keys.append(k);
            m_tested[keyIndex(k.x(), k.y())] = true;
        }
    return keys;
}

void KeyTestSession::reset() { m_tested.fill(false); }

int KeyTestSession::testedCount() const { return keysThatSend() - int(untested().size()); }

int KeyTestSession::keysThatSend() const
{
    int n = 0;
    for (const QPoint& k : keysInReadingOrder())
        n += sendsAnything(k.x(), k.y());
    return n;
}

QList<QPoint> KeyTestSession::untested() const
{
    QList<QPoint> keys;
    for (const QPoint& k : keysInReadingOrder())
        if (sendsAnything(k.x(), k.y()) && !tested(k.x(), k.y()))
            keys.append(k);
    return keys;
}
