#include "keytestgrid.h"

#include "keygeometry.h"
#include "keymapimgclass.h"

#include <QPainter>
#include <QPainterPath>

namespace {
const QRect GridBounds = keyGridRect(0, 0) | keyGridRect(KeyCols - 1, KeyRows - 1);
const int GridWidth = GridBounds.width();
const int GridHeight = GridBounds.height();
}  // namespace

KeyTestGrid::KeyTestGrid(const KeyMapImgClass& layout, QWidget* parent)
    : QWidget(parent)
{
    m_marks.fill(Mark::Untested);
    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row)
            if (!isCoveredKey(col, row))
                m_looks[keyIndex(col, row)] = layout.keyFaceLook(col, row);
    renderFaces(devicePixelRatioF());
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMinimumSize(GridWidth / 3, GridHeight / 3);
}

void KeyTestGrid::renderFaces(qreal ratio)
{
    m_facesRatio = ratio;
    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row)
            if (!isCoveredKey(col, row))
                m_faces[keyIndex(col, row)] = m_looks[keyIndex(col, row)].render(ratio);
}

void KeyTestGrid::setMark(int col, int row, Mark mark)
{
    m_marks[keyIndex(col, row)] = mark;
    update();
}

void KeyTestGrid::setLit(const QList<QPoint>& keys)
{
    m_lit = keys;
    update();
}

QSize KeyTestGrid::sizeHint() const { return QSize(GridWidth * 2 / 3, GridHeight * 2 / 3); }

int KeyTestGrid::heightForWidth(int width) const { return width * GridHeight / GridWidth; }

void KeyTestGrid::paintEvent(QPaintEvent*)
{
    // Faces of the screen's pixels, so the labels are as sharp as the window's own texts.
    if (devicePixelRatioF() != m_facesRatio)
        renderFaces(devicePixelRatioF());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal scale = std::min(qreal(width()) / GridWidth, qreal(height()) / GridHeight);
    p.translate((width() - GridWidth * scale) / 2, (height() - GridHeight * scale) / 2);
    p.scale(scale, scale);
    for (int col = 0; col < KeyCols; ++col)
        for (int row = 0; row < KeyRows; ++row) {
            if (isCoveredKey(col, row))
                continue;
            const QRect r = keyGridRect(col, row);
            const QPixmap& face = m_faces[keyIndex(col, row)];
            const Mark mark = m_marks[keyIndex(col, row)];
            QPainterPath outline;
            outline.addRoundedRect(r.adjusted(2, 2, -2, -2), KeyCornerRadius, KeyCornerRadius);
            p.fillPath(outline, Qt::white);
            // At its own size: at a fractional ratio the face's pixels reach a little past its
            // logical size, and fitting them into it would blur them again.
            const QSize size = m_looks[keyIndex(col, row)].size;
            p.drawPixmap(r.center() - QPoint(size.width() / 2, size.height() / 2), face);
            // A pressed key is green all over, seen from across the bench; its label
            // still shows through.
            if (mark == Mark::Silent)
                p.fillPath(outline, QColor(128, 128, 128, 140));
            else if (mark == Mark::Tested)
                p.fillPath(outline, QColor(20, 150, 50, 200));
            QColor edge(205, 205, 205);
            int edgeWidth = 2;
            if (m_lit.contains(QPoint(col, row))) {
                edge = m_lit.size() > 1 ? QColor(230, 120, 0) : QColor(25, 90, 220);
                edgeWidth = 8;
            }
            p.setPen(QPen(edge, edgeWidth));
            p.drawPath(outline);
        }
}
