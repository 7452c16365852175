#include "keyface.h"

#include <QFont>
#include <QFontMetrics>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QPainter>
#include <QPen>

namespace {
// Font, colour and width go in before the text, so the item lays its text out once.
QGraphicsTextItem* addTextItem(QGraphicsScene& scene, const QString& text, const QFont& font, const QColor& colour,
                               qreal textWidth = -1)
{
    auto* item = new QGraphicsTextItem;
    item->setFont(font);
    item->setDefaultTextColor(colour);
    if (textWidth >= 0)
        item->setTextWidth(textWidth);
    item->setPlainText(text);
    scene.addItem(item);
    return item;
}

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
}  // namespace

void addLabelLines(QGraphicsScene& scene, int originX, int originY, const QString texts[5], const TColor colours[5],
                   const TBtnNamePosition positions[5], const uint8_t sizes[5], const TFontStyle styles[5],
                   const bool vertical[5], const QString& family)
{
    QFont font;
    font.setFamily(family);
    for (int i = 0; i < LabelLines; ++i) {
        font.setPointSize(sizes[i] == 0 ? 12 : sizes[i]);
        // Taken before the style: a line is centred with the previous line's weight and slant.
        const QFontMetrics fm(font);
        applyStyle(font, styles[i]);
        const QColor colour = toQColor(colours[i]);
        const int X = originX + positions[i].x;
        const int Y = originY + positions[i].y;
        const QString& text = texts[i];
        const int h = fm.height();
        if (!vertical[i] || text.isEmpty()) {
            QGraphicsTextItem* item = addTextItem(scene, text, font, colour);
            const int w = fm.boundingRect(text).width();
            item->setPos(X - 6 - w / 2, Y - 5 - h / 2);
            continue;
        }
        const int n = int(text.size());
        const int s = int(sizes[i]) + 4;  // from the stored byte: 0 steps by 4 though drawn at 12 pt
        const int underscore = fm.horizontalAdvance(QStringLiteral("_"));
        for (int k = 0; k < n; ++k) {
            const QString ch(text.at(k));
            QGraphicsTextItem* item = addTextItem(scene, ch, font, colour, underscore);
            const int cw = fm.horizontalAdvance(text.at(k));
            item->setPos(X - 6 - cw / 2, Y - 5 + s * k + ((1 - n) * s) / 2 - h / 2);
        }
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
    scene.addRect(rect, QPen(QBrush(bg), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin), QBrush(bg));
    addLabelLines(scene, 0, 0, texts, colours, positions, sizes, styles, vertical, family);
}

QPixmap renderKeyFace(const QString texts[5], const TColor colours[5], const TBtnNamePosition positions[5],
                      const uint8_t sizes[5], TColor background, const TFontStyle styles[5], const bool vertical[5],
                      int width, int height, const QString& family)
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
