#pragma once
#include <QColor>

class KeyMapImgClass;
class QGraphicsScene;

inline QColor codeTileColour() { return QColor(220, 220, 220); }

// Fills `scene` with the keymap listing of `model`: for every printed key a grey
// rounded tile with its scan codes, one "0x%02X" line each, centred as a block.
void buildKeymapSheetScene(QGraphicsScene& scene, const KeyMapImgClass& model);
