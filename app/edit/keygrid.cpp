#include "keygrid.h"

#include <Qt>

#include <algorithm>
#include <tuple>

int neighbourKey(const QList<QRect>& rects, int from, int arrowKey)
{
    if (from < 0 || from >= rects.size() || rects[from].isEmpty())
        return -1;
    const QRect f = rects[from];
    const bool horizontal = arrowKey == Qt::Key_Left || arrowKey == Qt::Key_Right;
    int best = -1;
    std::tuple<int, int, int> bestScore;
    for (int i = 0; i < rects.size(); ++i) {
        const QRect c = rects[i];
        if (i == from || c.isEmpty())
            continue;
        int gap = 0;
        switch (arrowKey) {
        case Qt::Key_Right: gap = c.left() - f.right(); break;
        case Qt::Key_Left: gap = f.left() - c.right(); break;
        case Qt::Key_Down: gap = c.top() - f.bottom(); break;
        case Qt::Key_Up: gap = f.top() - c.bottom(); break;
        default: return -1;
        }
        const bool overlaps = horizontal ? c.top() <= f.bottom() && c.bottom() >= f.top()
                                         : c.left() <= f.right() && c.right() >= f.left();
        if (gap <= 0 || !overlaps)
            continue;
        // Twice the centre distance, so halves compare exactly.
        const int misalign = horizontal ? std::abs((c.top() + c.bottom()) - (f.top() + f.bottom()))
                                        : std::abs((c.left() + c.right()) - (f.left() + f.right()));
        const std::tuple<int, int, int> score{gap, misalign, horizontal ? c.top() : c.left()};
        if (best < 0 || score < bestScore) {
            best = i;
            bestScore = score;
        }
    }
    return best;
}
