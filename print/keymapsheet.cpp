#include "keymapsheet.h"
#include "hexcodes.h"

#include "keyface.h"
#include "keymapimgclass.h"
#include "sheetgeometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QPen>

#include <algorithm>

namespace {
void addKeyCodes(QGraphicsScene& scene, const TKeyMap& map, int x, int y, int w, int h)
{
    QFont font(QStringLiteral("Courier New"));
    font.setWeight(QFont::Bold);
    font.setPointSize(12);
    const QFontMetrics fm(font);
    // A count above the most never comes from a checked file; should one reach the
    // model anyway, only the stored pairs exist to be printed.
    const int n = std::min<int>(map.count, MaxKeyCodes);
    for (int i = 0; i < n; ++i) {
        const QString text = hexCode0x(map.pairs[i].code);
        QGraphicsTextItem* item = scene.addText(text, font);
        item->setDefaultTextColor(Qt::black);
        item->setPos(x + (w / 2 - 6) - fm.boundingRect(text).width() / 2,
                     y + codeLineOffsetY(i, n) + h / 2 - 5 - fm.height() / 2);
    }
}
}  // namespace

void buildKeymapSheetScene(QGraphicsScene& scene, const KeyMapImgClass& model)
{
    scene.setSceneRect(sheetSceneRect(PrintSheet::Codes));
    const QColor grey = codeTileColour();
    // The thick round-joined outline rounds the tile's corners and grows it by 5 units.
    const QPen outline(QBrush(grey), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    for (int col = 0; col < KeyCols; ++col) {
        for (int row = 0; row < KeyRows; ++row) {
            if (isCoveredKey(col, row))
                continue;
            const QPoint pos = sheetTilePos(PrintSheet::Codes, col, row);
            const QSize size = model.getBtnSize(col, row);
            scene.addRect(pos.x(), pos.y(), size.width(), size.height(), outline, QBrush(grey));
            addKeyCodes(scene, model.getKeyMap(col, row), pos.x(), pos.y(), size.width(), size.height());
        }
    }
}
