#include "labelsheet.h"

#include "keyface.h"
#include "keymapimgclass.h"
#include "sheetgeometry.h"

#include <QGraphicsScene>
#include <QPen>

namespace {
QPen roundPen(const QColor& colour, int width)
{
    return QPen(QBrush(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Two short strokes off the top-left corner and two off the bottom-right one,
// one unit clear of the sticker.
void addCropMarks(QGraphicsScene& scene, int x, int y, int w, int h)
{
    const QPen pen = roundPen(cropMarkColour(), 1);
    scene.addLine(x - 1, y - 1, x - 1, y - 5, pen);
    scene.addLine(x - 1, y - 1, x - 5, y - 1, pen);
    scene.addLine(x + w + 1, y + h + 1, x + w + 1, y + h + 5, pen);
    scene.addLine(x + w + 1, y + h + 1, x + w + 5, y + h + 1, pen);
}

void addKeyLabels(QGraphicsScene& scene, const KeyMapImgClass& model, int col, int row, int originX, int originY)
{
    QString texts[LabelLines];
    TColor colours[LabelLines];
    TBtnNamePosition positions[LabelLines];
    uint8_t sizes[LabelLines];
    TFontStyle styles[LabelLines];
    bool vertical[LabelLines];
    for (int l = 0; l < LabelLines; ++l) {
        texts[l] = model.getBtnName(col, row, l);
        colours[l] = model.getBtnNameColor(col, row, l);
        positions[l] = model.getBtnNamePos(col, row, l);
        sizes[l] = model.getBtnNameSize(col, row, l);
        styles[l] = model.getFontStyle(col, row, l);
        vertical[l] = model.getVertName(col, row, l);
    }
    // The same drawing as the key faces, centred on the tile; it starts from a
    // fresh font, so no key inherits the last line style of the one before.
    addLabelLines(scene, originX, originY, texts, colours, positions, sizes, styles, vertical,
                  model.getFontFamily());
}
}  // namespace

void buildLabelSheetScene(QGraphicsScene& scene, const KeyMapImgClass& model)
{
    scene.setSceneRect(sheetSceneRect(PrintSheet::Labels));
    for (int col = 0; col < KeyCols; ++col) {
        for (int row = 0; row < KeyRows; ++row) {
            if (isCoveredKey(col, row))
                continue;
            const QPoint pos = sheetTilePos(PrintSheet::Labels, col, row);
            const QSize size = model.getBtnSize(col, row);
            const QColor background = toQColor(model.getBtnColor(col, row));
            scene.addRect(pos.x(), pos.y(), size.width(), size.height(), roundPen(background, 1), QBrush(background));
            addCropMarks(scene, pos.x(), pos.y(), size.width(), size.height());
            addKeyLabels(scene, model, col, row, pos.x() + size.width() / 2, pos.y() + size.height() / 2);
        }
    }
}
