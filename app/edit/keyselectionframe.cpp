#include "keyselectionframe.h"

#include <QPainter>

namespace {
constexpr int Pen = 3;
const QColor OutlineColour(232, 120, 0);
const QColor TintColour(232, 120, 0, 40);
}  // namespace

KeySelectionFrame::KeySelectionFrame(QWidget* grid)
    : QWidget(grid)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void KeySelectionFrame::outline(const QList<QWidget*>& keys)
{
    m_keys = keys;
    if (keys.isEmpty()) {
        hide();
        return;
    }
    setGeometry(parentWidget()->rect());
    raise();
    show();
    update();
}

void KeySelectionFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(OutlineColour, Pen));
    p.setBrush(TintColour);
    // Inside the key's 1-pixel border, so the focus ring outside stays visible.
    const qreal inset = 1 + Pen / 2.0;
    for (const QWidget* k : m_keys)
        p.drawRoundedRect(QRectF(k->geometry()).adjusted(inset, inset, -inset, -inset), 13, 13);
}
