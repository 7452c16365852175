#include "screenfit.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void keepOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The window manager's frame, as far as it is known yet.
    const QRect inner = window->geometry(), outer = window->frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    const QSize room = area.size().shrunkBy(frame);
    if (window->width() > room.width() || window->height() > room.height()) {
        const QSize limited = window->size().boundedTo(room);
        window->setMinimumSize(window->minimumSize().boundedTo(limited));
        window->resize(limited);
    }
    const QSize whole = window->size().grownBy(frame);
    const int left = std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() + 1 - whole.width()));
    const int top = std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() + 1 - whole.height()));
    if (QPoint(left, top) != outer.topLeft())
        window->move(left, top);
}
