#include "keyfocusframe.h"

#include "keygeometry.h"

#include <QPainter>

namespace {
// The keys stand 4 pixels apart; the ring takes 2 of them on each side.
constexpr int Ring = 2;
const QColor RingColour(0, 120, 215);
}  // namespace

KeyFocusFrame::KeyFocusFrame(QWidget* grid)
    : QWidget(grid)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void KeyFocusFrame::follow(QWidget* key)
{
    m_key = key;
    if (!key) {
        hide();
        return;
    }
    setGeometry(key->geometry().adjusted(-Ring, -Ring, Ring, Ring));
    raise();
    show();
    update();
}

void KeyFocusFrame::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(RingColour, Ring));
    p.setBrush(Qt::NoBrush);
    const qreal half = Ring / 2.0;
    p.drawRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), KeyCornerRadius + Ring, KeyCornerRadius + Ring);
}
