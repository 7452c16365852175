#include "imagecheck.h"

#include "keyimage.h"
#include "keynames.h"

int firstImageDifference(const QByteArray& a, const QByteArray& b)
{
    for (int i = 0; i < ImageSize; ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i])
            return i;
    return -1;
}

QString slotText(int slot)
{
    const TKeySlot k = KeySlots[slot];
    return k.isKey() ? QStringLiteral("слот %1 (клавиша %2)").arg(slot).arg(keyPlaceText(k.col, k.row))
                     : QStringLiteral("слот %1").arg(slot);
}

QString verificationText(const QByteArray& sent, const QByteArray& readBack)
{
    return imageDifferenceText(firstImageDifference(sent, readBack));
}

QString imageDifferenceText(int at)
{
    if (at < 0)
        return QStringLiteral("Сверка совпала.");
    const QString where = at < ImageChecksumOffset ? slotText(at / 11) : QStringLiteral("контрольная сумма");
    return QStringLiteral("Сверка не совпала: ") + where;
}
