#pragma once
// Where the keys stand on the editor's grid, the one the key test draws too.
#include "keytypes.h"

#include <QList>
#include <QRect>

#include <algorithm>
#include <utility>

// Keys stand 105 units apart, on screen and on the printed sheets alike.
constexpr int KeyPitch = 105;
// The rounding of a key's corners, wherever one is drawn.
constexpr int KeyCornerRadius = 15;

// A key's rectangle with the first key's corner at (0, 0), from that corner to the one
// 100 further on a pitch of 105 (a wide or tall key: 205), both corners inside, as the
// editor has always laid its buttons out. Empty for a position a wide or tall key covers.
inline QRect keyGridRect(int col, int row)
{
    constexpr int Pitch = KeyPitch, Side = 100;
    const KeyShape shape = keyShape(col, row);
    if (shape == KeyShape::Covered)
        return {};
    const QPoint topLeft(Pitch * keyLeftColumn(col, row), Pitch * keyTopRow(col, row));
    return QRect(topLeft, topLeft + QPoint(shape == KeyShape::Wide ? Side + Pitch : Side,
                                           shape == KeyShape::Tall ? Side + Pitch : Side));
}

// The visible keys in reading order: rows from the top, each from the left; a wide or
// tall key in the row of its top edge. The editor's Tab and the key test both walk it.
inline QList<QPoint> keysInReadingOrder()
{
    QList<QPoint> keys;
    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row)
            if (!isCoveredKey(col, row))
                keys.append({col, row});
    std::stable_sort(keys.begin(), keys.end(), [](QPoint a, QPoint b) {
        return std::pair(keyTopRow(a.x(), a.y()), keyLeftColumn(a.x(), a.y())) <
               std::pair(keyTopRow(b.x(), b.y()), keyLeftColumn(b.x(), b.y()));
    });
    return keys;
}
