#pragma once
// The key grid as the keyboard walks it: rectangles of the 78 positions (empty for
// the three hidden under the wide and tall keys), index col * 6 + row.
#include <QList>
#include <QRect>

// The visible key next to `from` in the direction of an arrow key (Qt::Key_Left,
// Key_Right, Key_Up, Key_Down): the nearest one beyond its edge that overlaps it
// across the direction, the most aligned one on a tie (then the upper or left one).
// -1 at the edge of the grid.
int neighbourKey(const QList<QRect>& rects, int from, int arrowKey);
