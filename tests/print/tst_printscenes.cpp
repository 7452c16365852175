// What the two sheets put into their scenes: tiles, cutting marks, label and code
// placement, checked against the sheet's own coordinates.
#include "keymapimgclass.h"
#include "keymapsheet.h"
#include "labelsheet.h"
#include "sheetgeometry.h"

#include <QFontMetrics>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QSet>
#include <QTest>

namespace {
template <class T>
QList<T*> itemsOf(const QGraphicsScene& scene)
{
    QList<T*> out;
    for (QGraphicsItem* item : scene.items(Qt::AscendingOrder))
        if (auto* t = qgraphicsitem_cast<T*>(item))
            out.append(t);
    return out;
}

// Non-empty text items placed on or next to a tile, in the order added. Labels may
// stick out of their tile but never by half the gap to the next one.
QList<QGraphicsTextItem*> textsNear(const QGraphicsScene& scene, const QRect& tile)
{
    QList<QGraphicsTextItem*> out;
    for (QGraphicsTextItem* t : itemsOf<QGraphicsTextItem>(scene))
        if (!t->toPlainText().isEmpty() && tile.adjusted(-17, -17, 17, 17).contains(t->pos().toPoint()))
            out.append(t);
    return out;
}

// The 75 printed tiles as the sheet's table gives them, label-sheet coordinates.
QSet<QRect> expectedLabelTiles()
{
    QSet<QRect> tiles;
    for (int col = 0; col < 13; ++col)
        for (int row = 0; row < 6; ++row) {
            const bool covered = (col == 11 && (row == 3 || row == 4)) || (col == 12 && row == 4);
            const bool merged = (col == 12 && row == 3) || (col >= 11 && row == 5);
            if (!covered && !merged)
                tiles.insert(QRect(105 * col, 105 * row, 71, 71));
        }
    tiles.insert(QRect(1155, 315, 176, 71));
    tiles.insert(QRect(1155, 420, 71, 176));
    tiles.insert(QRect(1260, 420, 71, 176));
    return tiles;
}

QFont labelFont(const QString& family, int pointSize, bool bold, bool italic)
{
    QFont f;
    f.setFamily(family);
    f.setPointSize(pointSize);
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setItalic(italic);
    return f;
}
}  // namespace

class TestPrintScenes : public QObject
{
    Q_OBJECT
private slots:
    void tilesOfBothSheets_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::newRow("labels") << int(PrintSheet::Labels);
        QTest::newRow("codes") << int(PrintSheet::Codes);
    }
    void tilesOfBothSheets()
    {
        QFETCH(int, sheet);
        const bool codes = sheet == int(PrintSheet::Codes);
        KeyMapImgClass model;
        // Data on the covered positions must not leak onto paper either.
        for (auto [c, r] : {std::pair{11, 3}, {11, 4}, {12, 4}}) {
            model.setBtnColor(c, r, TColor{255, 0, 0});
            model.setBtnName(c, r, 0, "hidden");
            TKeyMap m;
            m.count = 1;
            m.pairs[0].code = 0x04;
            model.setKeyMap(c, r, m);
        }
        QGraphicsScene scene;
        if (codes)
            buildKeymapSheetScene(scene, model);
        else
            buildLabelSheetScene(scene, model);

        QCOMPARE(scene.sceneRect(), codes ? QRectF(10, 10, 1365, 630) : QRectF(0, 0, 1365, 630));
        const QList<QGraphicsRectItem*> rects = itemsOf<QGraphicsRectItem>(scene);
        QCOMPARE(rects.size(), 75);
        QSet<QRect> got;
        for (QGraphicsRectItem* r : rects) {
            got.insert(r->rect().toRect().translated(codes ? -10 : 0, codes ? -10 : 0));
            const QPen pen = r->pen();
            QCOMPARE(pen.capStyle(), Qt::RoundCap);
            QCOMPARE(pen.joinStyle(), Qt::RoundJoin);
            QCOMPARE(pen.style(), Qt::SolidLine);
            QCOMPARE(pen.color(), r->brush().color());
            QCOMPARE(r->brush().style(), Qt::SolidPattern);
            if (codes) {
                QCOMPARE(pen.widthF(), 10.0);
                QCOMPARE(pen.color(), QColor(220, 220, 220));
            } else {
                QCOMPARE(pen.widthF(), 1.0);
                QCOMPARE(pen.color(), QColor(Qt::white));
            }
        }
        QCOMPARE(got, expectedLabelTiles());
        QCOMPARE(itemsOf<QGraphicsTextItem>(scene).size(), codes ? 0 : 75 * 5);
    }

    void tilePositionsPerSheet()
    {
        QCOMPARE(sheetTilePos(PrintSheet::Labels, 0, 0), QPoint(0, 0));
        QCOMPARE(sheetTilePos(PrintSheet::Labels, 7, 2), QPoint(735, 210));
        QCOMPARE(sheetTilePos(PrintSheet::Labels, 12, 3), QPoint(1155, 315));
        QCOMPARE(sheetTilePos(PrintSheet::Labels, 11, 5), QPoint(1155, 420));
        QCOMPARE(sheetTilePos(PrintSheet::Labels, 12, 5), QPoint(1260, 420));
        QCOMPARE(sheetTilePos(PrintSheet::Codes, 0, 0), QPoint(10, 10));
        QCOMPARE(sheetTilePos(PrintSheet::Codes, 7, 2), QPoint(745, 220));
        QCOMPARE(sheetTilePos(PrintSheet::Codes, 12, 3), QPoint(1165, 325));
        QCOMPARE(sheetTilePos(PrintSheet::Codes, 11, 5), QPoint(1165, 430));
        QCOMPARE(sheetTilePos(PrintSheet::Codes, 12, 5), QPoint(1270, 430));
        int covered = 0;
        for (int c = 0; c < 13; ++c)
            for (int r = 0; r < 6; ++r)
                covered += isCoveredKey(c, r);
        QCOMPARE(covered, 3);
        QVERIFY(isCoveredKey(11, 3) && isCoveredKey(11, 4) && isCoveredKey(12, 4));
    }

    void backgroundsTakeTheKeyColour()
    {
        KeyMapImgClass model;
        model.setBtnColor(2, 1, TColor{10, 120, 250});
        model.setBtnColor(12, 5, TColor{200, 30, 40});
        QGraphicsScene scene;
        buildLabelSheetScene(scene, model);
        for (QGraphicsRectItem* r : itemsOf<QGraphicsRectItem>(scene)) {
            QColor want(Qt::white);
            if (r->rect() == QRectF(210, 105, 71, 71))
                want = QColor(10, 120, 250);
            if (r->rect() == QRectF(1260, 420, 71, 176))
                want = QColor(200, 30, 40);
            QCOMPARE(r->brush().color(), want);
            QCOMPARE(r->pen().color(), want);
        }
    }

    void cropMarks()
    {
        KeyMapImgClass model;
        QGraphicsScene scene;
        buildLabelSheetScene(scene, model);
        const QList<QGraphicsLineItem*> lines = itemsOf<QGraphicsLineItem>(scene);
        QCOMPARE(lines.size(), 75 * 4);
        for (QGraphicsLineItem* l : lines) {
            QCOMPARE(l->pen().color(), QColor(186, 191, 183));
            QCOMPARE(l->pen().widthF(), 1.0);
            QCOMPARE(l->pen().capStyle(), Qt::RoundCap);
            QCOMPARE(l->pen().joinStyle(), Qt::RoundJoin);
        }
        // Key (0,0) comes first; its marks reach -5, the left and top edge of what is printed.
        QCOMPARE(lines[0]->line(), QLineF(-1, -1, -1, -5));
        QCOMPARE(lines[1]->line(), QLineF(-1, -1, -5, -1));
        QCOMPARE(lines[2]->line(), QLineF(72, 72, 72, 76));
        QCOMPARE(lines[3]->line(), QLineF(72, 72, 76, 72));
        // The last key, tall (12,5), carries its bottom-right marks at its merged size.
        QCOMPARE(lines[296]->line(), QLineF(1259, 419, 1259, 415));
        QCOMPARE(lines[298]->line(), QLineF(1332, 597, 1332, 601));
        QCOMPARE(lines[299]->line(), QLineF(1332, 597, 1336, 597));
        // The wide key (12,3).
        QList<QLineF> all;
        for (QGraphicsLineItem* l : lines)
            all.append(l->line());
        QVERIFY(all.contains(QLineF(1154, 314, 1150, 314)));
        QVERIFY(all.contains(QLineF(1332, 387, 1336, 387)));
        // The merged keys are not marked as if they stood in their own grid cell.
        QVERIFY(!all.contains(QLineF(1259, 314, 1259, 310)));
        QVERIFY(!all.contains(QLineF(1259, 524, 1259, 520)));
        QVERIFY(!all.contains(QLineF(1227, 492, 1231, 492)));  // (11,4) as a 71 x 71 key
        // The listing has no marks.
        QGraphicsScene codes;
        buildKeymapSheetScene(codes, model);
        QVERIFY(itemsOf<QGraphicsLineItem>(codes).isEmpty());
    }

    // The label lines land where the sheet's formulas put them: x = X + dx + w/2 - 6 - bw/2,
    // y = Y + dy + h/2 - 5 - fh/2, and for a vertical line of n characters
    // y = Y + dy + h/2 - 5 + s + k*(size + 4) - fh/2 with s = (1 - n)*(size + 4)/2,
    // all halves truncated toward zero. Odd and negative values make truncation show.
    void labelLinesFollowTheSheetFormulas()
    {
        const QString family = "Liberation Sans";
        KeyMapImgClass model;
        model.setFontFamily(family);
        const int col = 3, row = 2;
        struct Line {
            QString text;
            int x, y, size;
            TFontStyle style;
            bool vertical;
            TColor colour;
        };
        const Line lines[5] = {
            {"Шифт", -7, 3, 14, fsNormal, false, {0, 0, 0}},
            {"Esc", 5, -11, 9, fsBold, false, {0, 128, 0}},
            {"АБВГ", -3, 2, 13, fsItalic, true, {255, 0, 0}},
            {"xyz", 9, -1, 0, fsBoldItalic, true, {0, 0, 255}},
            {"q", -15, 21, 11, TFontStyle(7), false, {1, 2, 3}},
        };
        for (int l = 0; l < 5; ++l) {
            model.setBtnName(col, row, l, lines[l].text);
            model.setBtnNamePos(col, row, l, lines[l].x, lines[l].y);
            model.setBtnNameSize(col, row, l, uint8_t(lines[l].size));
            model.setFontStyle(col, row, l, lines[l].style);
            model.setVertName(col, row, l, lines[l].vertical);
            model.setBtnNameColor(col, row, l, lines[l].colour);
        }
        QGraphicsScene scene;
        buildLabelSheetScene(scene, model);
        const int X = 315, Y = 210, w = 71, h = 71;
        const QList<QGraphicsTextItem*> items = textsNear(scene, QRect(X, Y, w, h));
        QCOMPARE(items.size(), 1 + 1 + 4 + 3 + 1);

        // Metrics taken before each line's style: the previous line's weight and slant.
        const QFontMetrics m0(labelFont(family, 14, false, false));
        const QFontMetrics m1(labelFont(family, 9, false, false));  // normal, although the line is bold
        const QFontMetrics m2(labelFont(family, 13, true, false));  // bold from line 1
        const QFontMetrics m3(labelFont(family, 12, false, true));  // size 0 prints at 12, italic from line 2
        const QFontMetrics m4(labelFont(family, 11, true, true));   // style 7 keeps line 3's bold italic

        auto hx = [&](const QFontMetrics& fm, const Line& l) { return X + l.x + w / 2 - 6 - fm.boundingRect(l.text).width() / 2; };
        auto hy = [&](const QFontMetrics& fm, const Line& l) { return Y + l.y + h / 2 - 5 - fm.height() / 2; };
        QCOMPARE(items[0]->toPlainText(), lines[0].text);
        QCOMPARE(items[0]->pos(), QPointF(hx(m0, lines[0]), hy(m0, lines[0])));
        QCOMPARE(items[1]->toPlainText(), lines[1].text);
        QCOMPARE(items[1]->pos(), QPointF(hx(m1, lines[1]), hy(m1, lines[1])));
        QCOMPARE(items[1]->font().weight(), QFont::Bold);
        QVERIFY(!items[1]->font().italic());
        QCOMPARE(items[1]->defaultTextColor(), QColor(0, 128, 0));

        auto vy = [&](const QFontMetrics& fm, const Line& l, int k) {
            const int n = int(l.text.size());
            const int s = (1 - n) * (l.size + 4) / 2;
            return Y + l.y + h / 2 - 5 + s + k * (l.size + 4) - fm.height() / 2;
        };
        for (int k = 0; k < 4; ++k) {
            QGraphicsTextItem* it = items[2 + k];
            QCOMPARE(it->toPlainText(), QString(lines[2].text[k]));
            const int cw = m2.horizontalAdvance(lines[2].text[k]);
            QCOMPARE(it->pos(), QPointF(X + lines[2].x + w / 2 - 6 - cw / 2, vy(m2, lines[2], k)));
            QCOMPARE(it->textWidth(), qreal(m2.horizontalAdvance("_")));
            QCOMPARE(it->defaultTextColor(), QColor(255, 0, 0));
            QVERIFY(it->font().italic());
            QCOMPARE(it->font().weight(), QFont::Normal);
        }
        // (1 - 4) * 17 / 2 is -25, not -26: the column sits half a unit low.
        QCOMPARE(items[3]->pos().y() - items[2]->pos().y(), 17.0);
        QCOMPARE(items[2]->pos().y(), qreal(Y + lines[2].y + 35 - 5 - 25 - m2.height() / 2));

        // Size 0: drawn at 12 points, characters stepped by 4.
        for (int k = 0; k < 3; ++k) {
            QGraphicsTextItem* it = items[6 + k];
            QCOMPARE(it->font().pointSize(), 12);
            QCOMPARE(it->pos().y(), qreal(vy(m3, lines[3], k)));
            if (k > 0)
                QCOMPARE(it->pos().y() - items[5 + k]->pos().y(), 4.0);
        }
        QCOMPARE(items[9]->pos(), QPointF(hx(m4, lines[4]), hy(m4, lines[4])));
        QCOMPARE(items[9]->font().weight(), QFont::Bold);
        QVERIFY(items[9]->font().italic());
        QCOMPARE(items[9]->defaultTextColor(), QColor(1, 2, 3));
        for (QGraphicsTextItem* it : items)
            QCOMPARE(it->font().family(), family);
    }

    // Each key starts from a fresh font: a bold line 4 does not make the next key's
    // line 0 (with an unknown style) bold.
    void fontIsNewForEachKey()
    {
        KeyMapImgClass model;
        model.setBtnName(0, 0, 4, "B");
        model.setFontStyle(0, 0, 4, fsBoldItalic);
        model.setBtnName(0, 1, 0, "N");
        model.setFontStyle(0, 1, 0, TFontStyle(9));
        QGraphicsScene scene;
        buildLabelSheetScene(scene, model);
        QGraphicsTextItem* b = nullptr;
        QGraphicsTextItem* n = nullptr;
        for (QGraphicsTextItem* t : itemsOf<QGraphicsTextItem>(scene)) {
            if (t->toPlainText() == "B")
                b = t;
            if (t->toPlainText() == "N")
                n = t;
        }
        QVERIFY(b && n);
        QCOMPARE(b->font().weight(), QFont::Bold);
        QVERIFY(b->font().italic());
        QCOMPARE(n->font().weight(), QFont::Normal);
        QVERIFY(!n->font().italic());
        QCOMPARE(n->font().family(), QString("Arial"));
    }

    // Offsets are measured from the centre of the merged face.
    void mergedKeysCentreTheirLabels()
    {
        KeyMapImgClass model;
        model.setFontFamily("Liberation Sans");
        model.setBtnName(12, 3, 0, "Enter");
        model.setBtnName(11, 5, 0, "+");
        QGraphicsScene scene;
        buildLabelSheetScene(scene, model);
        const QFontMetrics fm(labelFont("Liberation Sans", 12, false, false));
        bool enter = false, plus = false;
        for (QGraphicsTextItem* t : itemsOf<QGraphicsTextItem>(scene)) {
            if (t->toPlainText() == "Enter") {
                enter = true;
                QCOMPARE(t->pos(), QPointF(1155 + 88 - 6 - fm.boundingRect("Enter").width() / 2,
                                           315 + 35 - 5 - fm.height() / 2));
            }
            if (t->toPlainText() == "+") {
                plus = true;
                QCOMPARE(t->pos(), QPointF(1155 + 35 - 6 - fm.boundingRect("+").width() / 2,
                                           420 + 88 - 5 - fm.height() / 2));
            }
        }
        QVERIFY(enter && plus);
    }

    void codesOfTheListing_data()
    {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QList<int>>("offsets");
        QTest::newRow("none") << QList<int>{} << QList<int>{};
        QTest::newRow("one") << QList<int>{0x04} << QList<int>{0};
        QTest::newRow("three") << QList<int>{0x04, 0x1E, 0xAB} << QList<int>{-12, 0, 12};
        QTest::newRow("five") << QList<int>{0x04, 0x1E, 0xE1, 0x28, 0xFF} << QList<int>{-24, -12, 0, 12, 24};
    }
    void codesOfTheListing()
    {
        QFETCH(QList<int>, codes);
        QFETCH(QList<int>, offsets);
        KeyMapImgClass model;
        TKeyMap map;
        map.count = uint8_t(codes.size());
        for (int i = 0; i < codes.size(); ++i)
            map.pairs[i] = {uint8_t(i == 2 ? 0x02 : 0), uint8_t(codes[i])};
        model.setKeyMap(4, 1, map);
        model.setKeyMap(12, 5, map);
        QGraphicsScene scene;
        buildKeymapSheetScene(scene, model);
        QFont font("Courier New");
        font.setWeight(QFont::Bold);
        font.setPointSize(12);
        const QFontMetrics fm(font);
        struct Tile { int x, y, w, h; };
        for (Tile t : {Tile{430, 115, 71, 71}, Tile{1270, 430, 71, 176}}) {
            const QList<QGraphicsTextItem*> items = textsNear(scene, QRect(t.x, t.y, t.w, t.h));
            QCOMPARE(items.size(), codes.size());
            for (int i = 0; i < codes.size(); ++i) {
                const QString text = QString::asprintf("0x%02X", codes[i]);
                QCOMPARE(items[i]->toPlainText(), text);
                QCOMPARE(items[i]->pos(), QPointF(t.x + (t.w / 2 - 6) - fm.boundingRect(text).width() / 2,
                                                  t.y + offsets[i] + t.h / 2 - 5 - fm.height() / 2));
                QCOMPARE(items[i]->font().family(), QString("Courier New"));
                QCOMPARE(items[i]->font().weight(), QFont::Bold);
                QCOMPARE(items[i]->font().pointSize(), 12);
                QCOMPARE(items[i]->defaultTextColor(), QColor(Qt::black));
            }
        }
        QCOMPARE(itemsOf<QGraphicsTextItem>(scene).size(), 2 * codes.size());
    }

    // A count the keyboard would refuse never makes the listing read past the five pairs.
    void listingClampsAnOverlongCount()
    {
        KeyMapImgClass model;
        TKeyMap map;
        map.count = 200;
        for (int i = 0; i < 5; ++i)
            map.pairs[i].code = uint8_t(0x10 + i);
        model.setKeyMap(0, 0, map);
        QGraphicsScene scene;
        buildKeymapSheetScene(scene, model);
        const QList<QGraphicsTextItem*> items = itemsOf<QGraphicsTextItem>(scene);
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[4]->toPlainText(), QString("0x14"));
    }
};

QTEST_MAIN(TestPrintScenes)
#include "tst_printscenes.moc"
