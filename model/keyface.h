#pragma once
#include "keytypes.h"

#include <QPixmap>
#include <QString>

class QGraphicsScene;

// Adds the five label lines of one key to `scene`, centred on (originX, originY):
// one font carried from line to line, its metrics taken after the size is set and
// before the line's style is applied. Shared by the key faces and the printed sheet.
void addLabelLines(QGraphicsScene& scene, int originX, int originY, const QString texts[5], const TColor colours[5],
                   const TBtnNamePosition positions[5], const uint8_t sizes[5], const TFontStyle styles[5],
                   const bool vertical[5], const QString& family);

// Builds the scene of one key face: origin at the face centre (integer halves),
// background rectangle, then the label lines.
void buildKeyFaceScene(QGraphicsScene& scene, const QString texts[5], const TColor colours[5],
                       const TBtnNamePosition positions[5], const uint8_t sizes[5], TColor background,
                       const TFontStyle styles[5], const bool vertical[5], int width, int height,
                       const QString& family);

// Draws a key face into a width x height pixmap.
QPixmap renderKeyFace(const QString texts[5], const TColor colours[5], const TBtnNamePosition positions[5],
                      const uint8_t sizes[5], TColor background, const TFontStyle styles[5], const bool vertical[5],
                      int width, int height, const QString& family);

inline QColor toQColor(TColor c) { return QColor(c.red, c.green, c.blue, 255); }
