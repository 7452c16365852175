#pragma once
#include "keytypes.h"

#include <QPixmap>
#include <QString>

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QSize>

class QGraphicsScene;

// One text item of a label: a whole horizontal line, or one character of a
// vertical line (whose item is as wide as "_" in the line's font).
struct LabelPlacement {
    QString text;
    QFont font;
    QColor colour;
    QPointF pos;        // top-left corner of the item (whole numbers)
    int textWidth = -1; // -1: natural width
};

// Where the five label lines of one key go, centred on (originX, originY): one font
// carried from line to line, its metrics taken after the size is set and before
// the line's style is applied.
QList<LabelPlacement> layoutLabelLines(int originX, int originY, const QString texts[5], const TColor colours[5],
                                       const TBtnNamePosition positions[5], const uint8_t sizes[5],
                                       const TFontStyle styles[5], const bool vertical[5], const QString& family);

// Adds the label lines of layoutLabelLines() to `scene` as plain-text items.
// Shared by the key faces and the printed sheet.
void addLabelLines(QGraphicsScene& scene, int originX, int originY, const QString texts[5], const TColor colours[5],
                   const TBtnNamePosition positions[5], const uint8_t sizes[5], const TFontStyle styles[5],
                   const bool vertical[5], const QString& family);

// Builds the scene of one key face: origin at the face centre (integer halves),
// background rectangle, then the label lines.
void buildKeyFaceScene(QGraphicsScene& scene, const QString texts[5], const TColor colours[5],
                       const TBtnNamePosition positions[5], const uint8_t sizes[5], TColor background,
                       const TFontStyle styles[5], const bool vertical[5], int width, int height,
                       const QString& family);

// Draws a key face into a width x height pixmap through the scene above.
QPixmap renderKeyFaceScene(const QString texts[5], const TColor colours[5], const TBtnNamePosition positions[5],
                           const uint8_t sizes[5], TColor background, const TFontStyle styles[5],
                           const bool vertical[5], int width, int height, const QString& family);

// Draws a key face into a width x height pixmap: the same pixels as
// renderKeyFaceScene(), painted directly. At a device pixel ratio above 1 the pixmap
// has facePixelSize() pixels and that ratio set, so a screen that shows it at
// width x height logical pixels gets glyphs drawn for its pixels, not stretched ones.
QPixmap renderKeyFace(const QString texts[5], const TColor colours[5], const TBtnNamePosition positions[5],
                      const uint8_t sizes[5], TColor background, const TFontStyle styles[5], const bool vertical[5],
                      int width, int height, const QString& family, qreal ratio = 1.0);

// The pixels of a face of `logical` size at `ratio`, rounded as Qt rounds the size it
// asks an icon for, so an icon finds the face at exactly the size it wants.
QSize facePixelSize(QSize logical, qreal ratio);

// Everything one key face is drawn from: what a widget keeps to draw the face again
// when its window moves to a screen of another pixel ratio.
struct KeyFaceLook {
    QString texts[LabelLines];
    TColor colours[LabelLines];
    TBtnNamePosition positions[LabelLines];
    uint8_t sizes[LabelLines];
    TColor background;
    TFontStyle styles[LabelLines];
    bool vertical[LabelLines];
    QSize size;
    QString family;

    QPixmap render(qreal ratio = 1.0) const
    {
        return renderKeyFace(texts, colours, positions, sizes, background, styles, vertical, size.width(),
                             size.height(), family, ratio);
    }
};

// Where line `line` of a key's `count` scan codes sits, off the face's centre: lines
// 12 units apart, centred as a block. The scan-code view and the printed codes agree.
constexpr int codeLineOffsetY(int line, int count) { return 12 * line - 6 * count + 6; }

inline QColor toQColor(TColor c) { return QColor(c.red, c.green, c.blue, 255); }
