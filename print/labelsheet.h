#pragma once
#include <QColor>

class KeyMapImgClass;
class QGraphicsScene;

// Colour of the cutting marks at the stickers' corners: light enough not to show
// on a cut edge.
inline QColor cropMarkColour() { return QColor(186, 191, 183); }

// Fills `scene` with the label sheet of `model`: for every printed key its
// background, four cutting marks and five label lines, at the key's tile position.
// The label font family is taken as it is; checking that it is installed is the
// caller's business.
void buildLabelSheetScene(QGraphicsScene& scene, const KeyMapImgClass& model);
