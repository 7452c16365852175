#include "keyface.h"

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QPainter>
#include <QPen>
#include <QStyleOptionGraphicsItem>
#include <QTextLayout>

namespace {
void applyStyle(QFont& font, TFontStyle style)
{
    switch (style) {
    case fsNormal: font.setWeight(QFont::Normal); font.setItalic(false); break;
    case fsBold: font.setWeight(QFont::Bold); font.setItalic(false); break;
    case fsItalic: font.setWeight(QFont::Normal); font.setItalic(true); break;
    case fsBoldItalic: font.setWeight(QFont::Bold); font.setItalic(true); break;
    default: break;  // unknown values keep the previous line's weight and slant
    }
}

QPen backgroundPen(const QColor& c)
{
    return QPen(QBrush(c), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A plain-text item's document sits 4 pixels inside the item on every side.
constexpr int DocumentMargin = 4;

// Font, colour and width go in before the text, so the item lays its text out once.
void setUpTextItem(QGraphicsTextItem& item, const LabelPlacement& p)
{
    item.setFont(p.font);
    item.setDefaultTextColor(p.colour);
    if (p.textWidth >= 0)
        item.setTextWidth(p.textWidth);
    item.setPlainText(p.text);
    item.setPos(p.pos);
}

// Characters a text document does not keep on one plain line: line feeds, carriage
// returns, line and paragraph separators and frame marks start new lines or blocks,
// tabs and other controls get the document's own treatment. Files bring such texts in.
bool needsTextDocument(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1)
            return true;
    }
    return false;
}

// Rare texts are drawn by a real text item, which is what the scene draws them with.
void paintThroughTextItem(QPainter& painter, const LabelPlacement& p)
{
    QGraphicsTextItem item;
    setUpTextItem(item, p);
    QStyleOptionGraphicsItem option;
    option.exposedRect = item.boundingRect();
    painter.save();
    painter.translate(p.pos);
    item.paint(&painter, &option, nullptr);
    painter.restore();
}

// Paints a placement the way a plain-text item with that font, colour and position
// paints it: one unwrapped line, left-aligned, inside the document margin.
void paintPlacement(QPainter& painter, const LabelPlacement& p)
{
    if (p.text.isEmpty())
        return;
    if (needsTextDocument(p.text)) {
        paintThroughTextItem(painter, p);
        return;
    }
    QTextLayout layout(p.text, p.font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    // A text item clips its ink to its document, the line and its margin. Where a glyph
    // reaches past that (a slanted or fallback face: on a system with few fonts an
    // italic letter may), only the item itself gives the same pixels.
    const QRectF ink = QFontMetricsF(p.font).boundingRect(p.text);
    const qreal slack = DocumentMargin - 1;
    if (ink.left() < -slack || ink.right() > line.naturalTextWidth() + slack || ink.top() < -line.ascent() - slack ||
        ink.bottom() > line.descent() + slack) {
        paintThroughTextItem(painter, p);
        return;
    }
    painter.setPen(p.colour);
    layout.draw(&painter, QPointF(p.pos.x() + DocumentMargin, p.pos.y() + DocumentMargin));
}
}  // namespace

QList<LabelPlacement> layoutLabelLines(int originX, int originY, const QString texts[5], const TColor colours[5],
                                       const TBtnNamePosition positions[5], const uint8_t sizes[5],
                                       const TFontStyle styles[5], const bool vertical[5], const QString& family)
{
    QList<LabelPlacement> out;
    QFont font;
    font.setFamily(family);
    for (int i = 0; i < LabelLines; ++i) {
        font.setPointSize(sizes[i] == 0 ? 12 : sizes[i]);
        // Taken before the style: a line is centred with the previous line's weight and slant.
        const QFontMetrics fm(font);
        applyStyle(font, styles[i]);
        const QColor colour = toQColor(colours[i]);
        // 64-bit: stored offsets may be anywhere in the 32-bit range.
        const qint64 X = qint64(originX) + positions[i].x;
        const qint64 Y = qint64(originY) + positions[i].y;
        const QString& text = texts[i];
        const int h = fm.height();
        if (!vertical[i] || text.isEmpty()) {
            const int w = fm.boundingRect(text).width();
            out.append({text, font, colour, QPointF(X - 6 - w / 2, Y - 5 - h / 2), -1});
            continue;
        }
        const int n = int(text.size());
        const int s = int(sizes[i]) + 4;  // from the stored byte: 0 steps by 4 though drawn at 12 pt
        const int underscore = fm.horizontalAdvance(QStringLiteral("_"));
        for (int k = 0; k < n; ++k) {
            const int cw = fm.horizontalAdvance(text.at(k));
            out.append({QString(text.at(k)), font, colour,
                        QPointF(X - 6 - cw / 2, Y - 5 + qint64(s) * k + ((1 - n) * s) / 2 - h / 2), underscore});
        }
    }
    return out;
}

void addLabelLines(QGraphicsScene& scene, int originX, int originY, const QString texts[5], const TColor colours[5],
                   const TBtnNamePosition positions[5], const uint8_t sizes[5], const TFontStyle styles[5],
                   const bool vertical[5], const QString& family)
{
    for (const LabelPlacement& p :
         layoutLabelLines(originX, originY, texts, colours, positions, sizes, styles, vertical, family)) {
        auto* item = new QGraphicsTextItem;
        setUpTextItem(*item, p);
        scene.addItem(item);
    }
}

void buildKeyFaceScene(QGraphicsScene& scene, const QString texts[5], const TColor colours[5],
                       const TBtnNamePosition positions[5], const uint8_t sizes[5], TColor background,
                       const TFontStyle styles[5], const bool vertical[5], int width, int height,
                       const QString& family)
{
    const QRectF rect(-(width / 2), -(height / 2), width, height);
    scene.setSceneRect(rect);
    const QColor bg = toQColor(background);
    scene.addRect(rect, backgroundPen(bg), QBrush(bg));
    addLabelLines(scene, 0, 0, texts, colours, positions, sizes, styles, vertical, family);
}

QPixmap renderKeyFaceScene(const QString texts[5], const TColor colours[5], const TBtnNamePosition positions[5],
                           const uint8_t sizes[5], TColor background, const TFontStyle styles[5],
                           const bool vertical[5], int width, int height, const QString& family)
{
    QGraphicsScene scene;
    scene.setItemIndexMethod(QGraphicsScene::NoIndex);  // drawn once: an index would only cost
    buildKeyFaceScene(scene, texts, colours, positions, sizes, background, styles, vertical, width, height, family);
    QPixmap pixmap(width, height);
    QPainter painter(&pixmap);
    scene.render(&painter, QRectF(0, 0, width, height), QRectF(-(width / 2), -(height / 2), width, height),
                 Qt::KeepAspectRatio);
    painter.end();
    return pixmap;
}

// The grid redraws 78 faces at a time; a scene of text items per face costs several
// times more than painting the same placements directly. The two give the same
// pixels (the tests compare them), the scene staying the reference.
QPixmap renderKeyFace(const QString texts[5], const TColor colours[5], const TBtnNamePosition positions[5],
                      const uint8_t sizes[5], TColor background, const TFontStyle styles[5], const bool vertical[5],
                      int width, int height, const QString& family, qreal ratio)
{
    QPixmap pixmap(facePixelSize(QSize(width, height), ratio));
    pixmap.setDevicePixelRatio(ratio);
    const QColor bg = toQColor(background);
    // At a fractional ratio the rounded pixel size reaches a little past the face's
    // logical rectangle; that sliver gets the background too, not what memory held.
    if (pixmap.deviceIndependentSize() != QSizeF(width, height))
        pixmap.fill(bg);
    QPainter painter(&pixmap);
    // The painter works in the face's own pixels whatever the ratio, so labels are laid
    // out as at 1x and only drawn finer.
    painter.setClipRect(QRectF(QPointF(0, 0), pixmap.deviceIndependentSize()));
    painter.translate(width / 2, height / 2);
    const QRectF rect(-(width / 2), -(height / 2), width, height);
    painter.setPen(backgroundPen(bg));
    painter.setBrush(QBrush(bg));
    painter.drawRect(rect);
    painter.setBrush(Qt::NoBrush);
    for (const LabelPlacement& p :
         layoutLabelLines(0, 0, texts, colours, positions, sizes, styles, vertical, family))
        paintPlacement(painter, p);
    painter.end();
    return pixmap;
}

QSize facePixelSize(QSize logical, qreal ratio)
{
    return (QSizeF(logical) * ratio).toSize();
}
