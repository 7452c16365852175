// The sheets on paper: the fixed physical scale, the rendered area's edges, and
// whole pages printed to PDF and measured as pictures.
#include "keymapimgclass.h"
#include "pdftools.h"
#include "sheetprinter.h"

#include <QPageLayout>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {
constexpr double UnitsPerInch = 3621.0 / 26.0;

QImage whiteImage(int w, int h, int dpi)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.setDotsPerMeterX(qRound(dpi / 0.0254));
    img.setDotsPerMeterY(qRound(dpi / 0.0254));
    img.fill(Qt::white);
    return img;
}

// Device pixel of a scene coordinate for a sheet printed at `dpi`.
QPointF devicePoint(PrintSheet sheet, int dpi, QPointF scene)
{
    const QRect target = sheetTargetRect(dpi);
    const QRectF source = sheetSourceRect(sheet);
    const double ratio = target.width() / source.width();
    return QPointF(target.left() + (scene.x() - source.left()) * ratio, target.top() + (scene.y() - source.top()) * ratio);
}

KeyMapImgClass* blueModel()
{
    auto* m = new KeyMapImgClass;
    for (int c = 0; c < 13; ++c)
        for (int r = 0; r < 6; ++r)
            m->setBtnColor(c, r, TColor{0, 0, 255});
    return m;
}
}  // namespace

class TestPrintPage : public QObject
{
    Q_OBJECT
private slots:
    void fixedScaleArithmetic()
    {
        // resolution * 35490 / 3621 by resolution * 16380 / 3621, truncated.
        QCOMPARE(sheetTargetRect(1200), QRect(200, 200, 11761, 5428));
        QCOMPARE(sheetTargetRect(600), QRect(200, 200, 5880, 2714));
        QCOMPARE(sheetTargetRect(300), QRect(200, 200, 2940, 1357));
        QCOMPARE(sheetTargetRect(72), QRect(200, 200, 705, 325));
        QCOMPARE(sheetSourceRect(PrintSheet::Labels), QRectF(-5, -5, 1365, 630));
        QCOMPARE(sheetSourceRect(PrintSheet::Codes), QRectF(0, 0, 1365, 630));
        // The 1365 x 630 units are about 249 x 115 mm at any resolution.
        for (int dpi : {300, 600, 1200, 2400}) {
            const QRect t = sheetTargetRect(dpi);
            QVERIFY(qAbs(t.width() * 25.4 / dpi - 248.95) < 0.1);
            QVERIFY(qAbs(t.height() * 25.4 / dpi - 114.90) < 0.1);
        }
    }

    // Nothing is drawn outside the target rectangle; the cutting marks of key (0,0)
    // run up to its left and top edge.
    void labelSheetEdges()
    {
        const int dpi = 300;
        QImage img = whiteImage(3300, 1700, dpi);
        KeyMapImgClass model;
        model.setBtnColor(0, 0, TColor{0, 0, 0});
        QVERIFY(paintSheet(img, img.logicalDpiX(), PrintSheet::Labels, model));
        const QRgb mark = QColor(186, 191, 183).rgb();
        const QRect target = sheetTargetRect(dpi);
        auto markInColumn = [&](int x, int y0, int y1) {
            for (int y = y0; y <= y1; ++y)
                if (img.pixel(x, y) == mark)
                    return true;
            return false;
        };
        auto markInRow = [&](int y, int x0, int x1) {
            for (int x = x0; x <= x1; ++x)
                if (img.pixel(x, y) == mark)
                    return true;
            return false;
        };
        QVERIFY(markInColumn(target.left(), target.top(), target.top() + 15));
        QVERIFY(markInRow(target.top(), target.left(), target.left() + 15));
        for (int y = 0; y < img.height(); ++y)
            QCOMPARE(img.pixel(target.left() - 1, y), qRgb(255, 255, 255));
        for (int x = 0; x < img.width(); ++x)
            QCOMPARE(img.pixel(x, target.top() - 1), qRgb(255, 255, 255));
        for (int y = 0; y < img.height(); ++y)
            for (int x = target.right() + 1; x < img.width(); ++x)
                QCOMPARE(img.pixel(x, y), qRgb(255, 255, 255));
        // The black sticker of key (0,0) starts 5 units in.
        const QPointF corner = devicePoint(PrintSheet::Labels, dpi, QPointF(0, 0));
        QCOMPARE(img.pixel(qRound(corner.x()) + 2, qRound(corner.y()) + 2), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(qRound(corner.x()) - 4, qRound(corner.y()) + 20), qRgb(255, 255, 255));
    }

    // A key without codes is a plain grey tile; the thick round pen grows every
    // tile by 5 units and rounds its corners.
    void listingTiles()
    {
        const int dpi = 300;
        QImage img = whiteImage(3300, 1700, dpi);
        KeyMapImgClass model;
        TKeyMap map;
        map.count = 2;
        map.pairs[0].code = 0x28;
        map.pairs[1].code = 0x04;
        model.setKeyMap(5, 2, map);
        QVERIFY(paintSheet(img, img.logicalDpiX(), PrintSheet::Codes, model));
        const QRgb grey = qRgb(220, 220, 220);
        auto inside = [&](int col, int row) {
            const QPointF a = devicePoint(PrintSheet::Codes, dpi, QPointF(10 + 105 * col, 10 + 105 * row));
            const QPointF b = devicePoint(PrintSheet::Codes, dpi, QPointF(10 + 105 * col + 71, 10 + 105 * row + 71));
            return QRect(QPoint(qCeil(a.x()) + 1, qCeil(a.y()) + 1), QPoint(qFloor(b.x()) - 1, qFloor(b.y()) - 1));
        };
        const QRect empty = inside(4, 2);
        for (int y = empty.top(); y <= empty.bottom(); ++y)
            for (int x = empty.left(); x <= empty.right(); ++x)
                QCOMPARE(img.pixel(x, y), grey);
        const QRect coded = inside(5, 2);
        int dark = 0;
        for (int y = coded.top(); y <= coded.bottom(); ++y)
            for (int x = coded.left(); x <= coded.right(); ++x)
                dark += qGray(img.pixel(x, y)) < 80;
        QVERIFY2(dark > 100, qPrintable(QString::number(dark)));

        auto at = [&](double sx, double sy) {
            const QPointF p = devicePoint(PrintSheet::Codes, dpi, QPointF(sx, sy));
            return img.pixel(qRound(p.x()), qRound(p.y()));
        };
        QCOMPARE(at(430 - 4, 220 + 35), grey);       // the outline widens the side by 5 units
        QCOMPARE(at(430 + 35, 220 - 4), grey);
        QCOMPARE(at(430 - 6.5, 220 + 35), qRgb(255, 255, 255));
        QCOMPARE(at(430 - 4, 220 - 4), qRgb(255, 255, 255));  // rounded corner: 5.7 units from it
        QCOMPARE(at(430 - 2, 220 - 2), grey);
    }

    void pdfPages_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::newRow("labels") << int(PrintSheet::Labels);
        QTest::newRow("codes") << int(PrintSheet::Codes);
    }
    // One landscape page; 75 tiles, the merged keys once at their size; the grid
    // 249 x 115 mm; the rendered area starting at device (200, 200) of the page.
    void pdfPages()
    {
        QFETCH(int, sheet);
        const bool codes = sheet == int(PrintSheet::Codes);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pdf = dir.filePath(codes ? "codes.pdf" : "labels.pdf");
        std::unique_ptr<KeyMapImgClass> model(blueModel());
        QRectF paintRectInches;
        {
            QPrinter printer(QPrinter::HighResolution);
            setupPdfPrinter(printer, pdf);
            QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
            QCOMPARE(printer.resolution(), 1200);
            paintRectInches = printer.pageLayout().paintRect(QPageLayout::Inch);
            QVERIFY(codes ? printKeymapSheet(printer, *model) : printLabelSheet(printer, *model));
        }
        const PdfInfo info = readPdfInfo(pdf);
        QVERIFY2(info.ok, "pdfinfo could not read the file");
        QCOMPARE(info.pages, 1);
        QVERIFY(info.pagePoints.width() > info.pagePoints.height());
        QVERIFY(qAbs(info.pagePoints.width() - 841.89) < 0.5);  // A4 landscape
        QVERIFY(qAbs(info.pagePoints.height() - 595.28) < 0.5);

        const int dpi = 300;
        const QImage page = rasterizePdf(pdf, dpi);
        QVERIFY2(!page.isNull(), "pdftoppm could not render the file");
        const auto tileColour = [codes](QRgb c) { return codes ? isInk(c) : isBlue(c); };
        QList<Blob> blobs = findBlobs(page, tileColour);
        QCOMPARE(blobs.size(), 75);

        const double unit = dpi / UnitsPerInch;  // device pixels per scene unit
        const double side = (codes ? 81 : 72) * unit;
        const double longSide = (codes ? 186 : 177) * unit;
        int ordinary = 0, wide = 0, tall = 0;
        for (const Blob& b : blobs) {
            const auto near = [](int px, double want) { return qAbs(px - want) <= 3; };
            if (near(b.box.width(), side) && near(b.box.height(), side))
                ++ordinary;
            else if (near(b.box.width(), longSide) && near(b.box.height(), side))
                ++wide;
            else if (near(b.box.width(), side) && near(b.box.height(), longSide))
                ++tall;
            else
                QFAIL(qPrintable(QString("tile of %1 x %2 px").arg(b.box.width()).arg(b.box.height())));
        }
        QCOMPARE(ordinary, 72);
        QCOMPARE(wide, 1);
        QCOMPARE(tall, 2);

        std::sort(blobs.begin(), blobs.end(), [](const Blob& a, const Blob& b) {
            return a.box.top() / 50 != b.box.top() / 50 ? a.box.top() < b.box.top() : a.box.left() < b.box.left();
        });
        const QRect first = blobs.first().box;                       // key (0,0)
        const QRect lastInRow = blobs[12].box;                       // key (12,0)
        const QRect lastRow = std::min_element(blobs.begin(), blobs.end(), [](const Blob& a, const Blob& b) {
                                  return a.box.left() != b.box.left() ? a.box.left() < b.box.left() : a.box.top() > b.box.top();
                              })->box;                                // key (0,5)
        QCOMPARE(lastInRow.top(), first.top());
        const double pitchX = (lastInRow.left() - first.left()) / 12.0;
        const double pitchY = (lastRow.top() - first.top()) / 5.0;
        const double gridW = 13 * pitchX / dpi * 25.4, gridH = 6 * pitchY / dpi * 25.4;
        QVERIFY2(qAbs(gridW - 249) <= 0.5 && qAbs(gridH - 115) <= 0.5,
                 qPrintable(QString("grid %1 x %2 mm").arg(gridW).arg(gridH)));

        // Key (0,0)'s painted edge is 4.5 units right of and below device (200, 200)
        // of the printable area on both sheets (the listing's outline reaches 5 units
        // out from a tile 10 units in).
        const double left = paintRectInches.left() * dpi + 200.0 * dpi / 1200 + 4.5 * unit;
        const double top = paintRectInches.top() * dpi + 200.0 * dpi / 1200 + 4.5 * unit;
        QVERIFY2(qAbs(first.left() - left) <= 2 && qAbs(first.top() - top) <= 2,
                 qPrintable(QString("key (0,0) at %1,%2, expected %3,%4").arg(first.left()).arg(first.top()).arg(left).arg(top)));
    }

    void unwritablePdfIsAFailure()
    {
        KeyMapImgClass model;
        QPrinter printer(QPrinter::HighResolution);
        setupPdfPrinter(printer, "/nonexistent-directory/out.pdf");
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        QVERIFY(!printLabelSheet(printer, model));
    }

    void fontMessage()
    {
        QCOMPARE(labelFontMissingMessage("Segoe UI"), QString("Шрифт макета Segoe UI отсутствует в системе."));
        QCOMPARE(labelFontMissingTitle(), QString("Ошибка отображения!"));
    }
};

QTEST_MAIN(TestPrintPage)
#include "tst_printpage.moc"
