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
    m_owner.fill(-1);
    if (image.size() < ImageSize)
        return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(image.constData());
    for (int s = 0; s < ImageSlots; ++s) {
        if (!KeySlots[s].isKey())
            continue;
        const QPoint cap = capOf(KeySlots[s].col, KeySlots[s].row);
        const KeyOutput output = keyOutput(TKeyMap::fromBytes(bytes + s * TKeyMap::Size));
        QList<KeyOutput>& known = m_outputs[keyIndex(cap.x(), cap.y())];
        if (output.isEmpty())
            continue;
        for (const KeyOutput& reading : keyOutputReadings(output))
            if (!known.contains(reading))
                known.append(reading);
    }
}

KeyPress KeyTestSession::press(const KeyOutput& output)
{
    KeyPress result;
    QList<int> keys;
    for (const QPoint& k : keysInReadingOrder())
        if (outputs(k.x(), k.y()).contains(output)) {
            result.keys.append(k);
            keys.append(keyIndex(k.x(), k.y()));
        }
    if (keys.isEmpty())
        return result;
    m_presses.append(keys);
    std::array<bool, KeyCount> seen{};
    if (!assign(int(m_presses.size()) - 1, seen)) {
        m_presses.removeLast();  // every key it may be has a press of its own
        return result;
    }
    const int counted = int(std::find(m_owner.begin(), m_owner.end(), m_presses.size() - 1) - m_owner.begin());
    result.counted = QPoint(counted / KeyRows, counted % KeyRows);
    return result;
}

// Finds `press` a key: one not pressed yet, or one whose press can move to another key
// it may have been (an augmenting path, so the keys counted are as many as can be).
bool KeyTestSession::assign(int press, std::array<bool, KeyCount>& seen)
{
    for (int k : m_presses[press])
        if (m_owner[k] < 0) {
            m_owner[k] = press;
            return true;
        }
    for (int k : m_presses[press]) {
        if (seen[k])
            continue;
        seen[k] = true;
        if (assign(m_owner[k], seen)) {
            m_owner[k] = press;
            return true;
        }
    }
    return false;
}

void KeyTestSession::reset()
{
    m_presses.clear();
    m_owner.fill(-1);
}

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
