#include "keyblock.h"

#include "keymapimgclass.h"
#include "keynames.h"

#include <algorithm>

KeyBlock takeBlock(const KeyMapImgClass& model, const QList<QPoint>& keys, QPoint* origin)
{
    QPoint topLeft(KeyCols, KeyRows);
    for (const QPoint& k : keys)
        topLeft = {std::min(topLeft.x(), k.x()), std::min(topLeft.y(), k.y())};
    KeyBlock block;
    for (const QPoint& k : keys)
        block.append({k - topLeft, readKey(model, k.x(), k.y())});
    if (origin)
        *origin = topLeft;
    return block;
}

bool placeBlock(const KeyBlock& block, QPoint at, QList<QPair<QPoint, KeyData>>& placed, QString* refusal)
{
    QList<QPair<QPoint, KeyData>> out;
    for (const auto& [offset, key] : block) {
        const QPoint to = at + offset;
        const bool inside = to.x() >= 0 && to.x() < KeyCols && to.y() >= 0 && to.y() < KeyRows;
        if (inside && !isCoveredKey(to.x(), to.y())) {
            out.append({to, key});
            continue;
        }
        if (refusal) {
            const QString label = key.lines[0].text.trimmed();
            const QString which = label.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(label);
            *refusal = inside ? QStringLiteral("клавиша блока%1 легла бы на место %2 под большой клавишей")
                                    .arg(which, keyPlaceText(to.x(), to.y()))
                              : QStringLiteral("клавиша блока%1 легла бы на место %2 за краем раскладки")
                                    .arg(which, keyPlaceText(to.x(), to.y()));
        }
        return false;
    }
    placed = out;
    return true;
}
