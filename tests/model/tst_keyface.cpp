#include "keyface.h"
#include "keymapimgclass.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>

namespace {
// Five label lines with defaults a test changes in place.
struct Lines {
    QString texts[5];
    TColor colours[5];
    TBtnNamePosition positions[5];
    uint8_t sizes[5] = {12, 12, 12, 12, 12};
    TFontStyle styles[5] = {fsNormal, fsNormal, fsNormal, fsNormal, fsNormal};
    bool vertical[5] = {};
    TColor background{255, 255, 255};

    QList<QGraphicsTextItem*> build(QGraphicsScene& scene, int w = 71, int h = 71,
                                    const QString& family = "Liberation Sans")
    {
        buildKeyFaceScene(scene, texts, colours, positions, sizes, background, styles, vertical, w, h, family);
        QList<QGraphicsTextItem*> items;
        for (QGraphicsItem* it : scene.items(Qt::AscendingOrder))
            if (auto* t = qgraphicsitem_cast<QGraphicsTextItem*>(it))
                items << t;
        return items;
    }
    QImage render(int w = 71, int h = 71)
    {
        return renderKeyFace(texts, colours, positions, sizes, background, styles, vertical, w, h, "Liberation Sans")
            .toImage();
    }
};

QFont fontOf(int pt, bool bold = false, bool italic = false)
{
    QFont f;
    f.setFamily("Liberation Sans");
    f.setPointSize(pt);
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setItalic(italic);
    return f;
}

bool allPixels(const QImage& img, QRgb colour)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF))
                return false;
    return true;
}
}  // namespace

class TestKeyFace : public QObject
{
    Q_OBJECT
private slots:
    void emptyFacesArePlainBackground()
    {
        KeyMapImgClass model;
        const QImage face = model.keyFace(0, 0).toImage();
        QCOMPARE(face.size(), QSize(71, 71));
        QVERIFY(allPixels(face, qRgb(255, 255, 255)));
        QCOMPARE(model.keyFace(12, 3).size(), QSize(176, 71));
        QCOMPARE(model.keyFace(11, 5).size(), QSize(71, 176));
        QCOMPARE(model.keyFace(12, 5).size(), QSize(71, 176));
        model.setBtnColor(3, 3, TColor{10, 200, 30});
        QVERIFY(allPixels(model.keyFace(3, 3).toImage(), qRgb(10, 200, 30)));
    }

    void horizontalLinePlacement()
    {
        Lines l;
        l.texts[0] = "Shift";
        l.positions[0] = {7, -13};
        QGraphicsScene scene;
        const auto items = l.build(scene);
        QCOMPARE(items.size(), 5);  // one item per line, empty ones too
        QCOMPARE(scene.sceneRect(), QRectF(-35, -35, 71, 71));
        const QFontMetrics fm(fontOf(12));
        const int w = fm.boundingRect("Shift").width();
        const int h = fm.height();
        QCOMPARE(items[0]->pos(), QPointF(7 - 6 - w / 2, -13 - 5 - h / 2));
        QCOMPARE(items[0]->toPlainText(), QString("Shift"));
        // An odd width: integer halves truncate toward zero (-13 - 5 - h/2, never rounded).
        QCOMPARE(int(items[0]->pos().y()), -18 - h / 2);
    }

    void verticalLineSteps()
    {
        Lines l;
        l.texts[1] = "ABC";
        l.vertical[1] = true;
        l.positions[1] = {3, 4};
        QGraphicsScene scene;
        const auto items = l.build(scene);
        QCOMPARE(items.size(), 4 + 3);
        QList<QGraphicsTextItem*> chars;
        for (auto* it : items)
            if (it->toPlainText().size() == 1)
                chars << it;
        QCOMPARE(chars.size(), 3);
        const QFontMetrics fm(fontOf(12));
        const int h = fm.height();
        QCOMPARE(chars[1]->pos().y() - chars[0]->pos().y(), 16.0);
        QCOMPARE(chars[2]->pos().y() - chars[1]->pos().y(), 16.0);
        QCOMPARE(chars[1]->pos().y(), double(4 - 5 - h / 2));  // middle one at the offset
        QCOMPARE(chars[0]->pos().x(), double(3 - 6 - fm.horizontalAdvance(QChar('A')) / 2));
        QCOMPARE(chars[0]->textWidth(), double(fm.horizontalAdvance("_")));
    }

    void verticalEvenCountTruncates()
    {
        Lines l;
        l.texts[0] = "WXYZ";
        l.vertical[0] = true;
        l.sizes[0] = 13;  // s = 17: ((1 - 4) * 17) / 2 is -25, not -26
        QGraphicsScene scene;
        const auto items = l.build(scene);
        const int h = QFontMetrics(fontOf(13)).height();
        QCOMPARE(items[0]->pos().y(), double(-5 - 25 - h / 2));
        QCOMPARE(items[3]->pos().y(), double(-5 + 3 * 17 - 25 - h / 2));
    }

    void sizeZeroDrawsAt12StepsBy4()
    {
        Lines l;
        l.texts[0] = "ab";
        l.sizes[0] = 0;
        l.vertical[0] = true;
        l.texts[1] = "x";
        l.sizes[1] = 0;
        QGraphicsScene scene;
        const auto items = l.build(scene);
        QCOMPARE(items[0]->font().pointSize(), 12);
        QCOMPARE(items[1]->pos().y() - items[0]->pos().y(), 4.0);
        QCOMPARE(items[2]->font().pointSize(), 12);
    }

    void styleAfterMetrics()
    {
        // Line 1 bold after a normal line 0: drawn bold, centred with normal metrics.
        Lines l;
        l.texts[0] = "x";
        l.texts[1] = "mmmmmmmmmm";
        l.styles[1] = fsBold;
        QGraphicsScene scene;
        const auto items = l.build(scene);
        const int normalW = QFontMetrics(fontOf(12)).boundingRect("mmmmmmmmmm").width();
        const int boldW = QFontMetrics(fontOf(12, true)).boundingRect("mmmmmmmmmm").width();
        QVERIFY(normalW != boldW);
        QVERIFY(items[1]->font().bold());
        QCOMPARE(items[1]->pos().x(), double(-6 - normalW / 2));
        // Line 2 normal after bold: centred with bold metrics.
        l = Lines();
        l.texts[1] = "x";
        l.styles[1] = fsBold;
        l.texts[2] = "mmmmmmmmmm";
        QGraphicsScene scene2;
        const auto items2 = l.build(scene2);
        QVERIFY(!items2[2]->font().bold());
        QCOMPARE(items2[2]->pos().x(), double(-6 - boldW / 2));
    }

    void unknownStyleKeepsPrevious()
    {
        Lines l;
        l.styles[1] = fsBoldItalic;
        l.styles[2] = TFontStyle(7);
        l.texts[2] = "seven";
        l.styles[3] = fsItalic;
        l.styles[4] = TFontStyle(-1);
        QGraphicsScene scene;
        const auto items = l.build(scene);
        QVERIFY(items[2]->font().bold());
        QVERIFY(items[2]->font().italic());
        QVERIFY(!items[4]->font().bold());
        QVERIFY(items[4]->font().italic());
        QVERIFY(!items[0]->font().bold());
        QVERIFY(!items[0]->font().italic());
    }

    void coloursAndClipping()
    {
        Lines l;
        l.texts[0] = "███";
        l.colours[0] = {255, 0, 0};
        l.background = {0, 0, 255};
        const QImage img = l.render();
        QCOMPARE(img.size(), QSize(71, 71));
        QCOMPARE(img.pixel(35, 35) & 0xFFFFFF, qRgb(255, 0, 0) & 0xFFFFFF);
        QCOMPARE(img.pixel(0, 0) & 0xFFFFFF, qRgb(0, 0, 255) & 0xFFFFFF);
        // Far outside the face: nothing drawn, nothing grows.
        l.positions[0] = {500, 500};
        QVERIFY(allPixels(l.render(), qRgb(0, 0, 255)));
    }

    // The grid paints faces directly; the scene of text items is the reference.
    void directPaintingMatchesTheScene()
    {
        QRandomGenerator rng(20261208);
        const QString families[] = {"Arial", "Liberation Serif", "Courier New", "DejaVu Sans", "Nonexistent"};
        const QString samples[] = {"", "Esc", "Ввод", "Shift", "ё", "W", "Пробел длинный текст", "0x1F",
                                   "Ж", "a b", "ЪЫЬ", "Caps Lock", "✓",
                                   // Files bring in texts with line breaks and controls.
                                   "AB\nCD", "AB\rCD", "Ctrl\r\nAlt", "AB\u2028CD", "AB\u2029CD", "\n",
                                   "\u2028", "x\ty", "Ф\nЫ\nВ", "\x01Z"};
        const QSize faceSizes[] = {{71, 71}, {176, 71}, {71, 176}};
        for (int round = 0; round < 150; ++round) {
            Lines l;
            for (int i = 0; i < 5; ++i) {
                l.texts[i] = samples[rng.bounded(int(std::size(samples)))];
                l.colours[i] = {uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256))};
                l.positions[i] = {rng.bounded(-40, 41), rng.bounded(-40, 41)};
                l.sizes[i] = uint8_t(rng.bounded(0, 40));
                const int st = rng.bounded(6);
                l.styles[i] = TFontStyle(st == 5 ? 7 : st);
                l.vertical[i] = rng.bounded(3) == 0;
            }
            l.background = {uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256)), uint8_t(rng.bounded(256))};
            const QSize sz = faceSizes[rng.bounded(3)];
            const QString& family = families[rng.bounded(int(std::size(families)))];
            const QImage direct = renderKeyFace(l.texts, l.colours, l.positions, l.sizes, l.background, l.styles,
                                                l.vertical, sz.width(), sz.height(), family)
                                      .toImage();
            const QImage scene = renderKeyFaceScene(l.texts, l.colours, l.positions, l.sizes, l.background,
                                                    l.styles, l.vertical, sz.width(), sz.height(), family)
                                     .toImage();
            QVERIFY2(direct == scene, qPrintable(QString("round %1").arg(round)));
        }
    }

    // A text item puts each line of a text with breaks under the one before; so must the face.
    void lineBreaksGiveSeveralLines()
    {
        for (const QString& text : {QStringLiteral("AB\nCD"), QStringLiteral("AB\u2028CD"), QStringLiteral("AB\rCD")}) {
            Lines l;
            l.texts[0] = text;
            const QImage direct = l.render();
            const QImage scene = renderKeyFaceScene(l.texts, l.colours, l.positions, l.sizes, l.background, l.styles,
                                                    l.vertical, 71, 71, "Liberation Sans")
                                     .toImage();
            QVERIFY2(direct == scene, qPrintable(text.toUtf8().toPercentEncoding()));
            // Two bands of ink, one above the other, with a white gap between.
            int bands = 0;
            bool inInk = false;
            for (int y = 0; y < direct.height(); ++y) {
                bool ink = false;
                for (int x = 0; x < direct.width() && !ink; ++x)
                    ink = (direct.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
                if (ink && !inInk)
                    ++bands;
                inInk = ink;
            }
            QCOMPARE(bands, 2);
        }
    }

    void extremeOffsetsStayOutOfSight()
    {
        Lines l;
        l.texts[0] = "far";
        l.positions[0] = {INT32_MIN, INT32_MAX};
        l.texts[1] = "ABC";
        l.vertical[1] = true;
        l.positions[1] = {INT32_MAX, INT32_MIN};
        QGraphicsScene scene;
        const auto items = l.build(scene);
        QCOMPARE(items[0]->pos(), QPointF(double(INT32_MIN) - 6 - QFontMetrics(fontOf(12)).boundingRect("far").width() / 2,
                                          double(INT32_MAX) - 5 - QFontMetrics(fontOf(12)).height() / 2));
        QVERIFY(allPixels(l.render(), qRgb(255, 255, 255)));
    }

    void largeKeysCentreTheirLabels()
    {
        Lines l;
        l.texts[0] = "█";
        const QImage wide = l.render(176, 71);
        QCOMPARE(wide.size(), QSize(176, 71));
        QCOMPARE(wide.pixel(88, 35) & 0xFFFFFF, 0u);
        const QImage tall = l.render(71, 176);
        QCOMPARE(tall.pixel(35, 88) & 0xFFFFFF, 0u);
        QCOMPARE(tall.pixel(35, 20) & 0xFFFFFF, 0xFFFFFFu);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestKeyFace t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_keyface.moc"
