// Key faces drawn for the screen's pixels: CTest runs this at QT_SCALE_FACTOR 1, 1.5 and 2.
#include "btnpropdialog.h"
#include "keyface.h"
#include "keygeometry.h"
#include "keymapimgclass.h"
#include "keytestgrid.h"
#include "mainwindow.h"
#include "mainwindowform.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {
// Key (1, 1) stands at 120, 120 on the key test's grid: on whole pixels at 1.5 too.
constexpr int Col = 1, Row = 1;

// Black bold text, a vertical line and a slanted one: edges of every kind.
void dressKey(KeyMapImgClass& m)
{
    m.setFontFamily("Liberation Sans");
    m.setBtnName(Col, Row, 0, "Shift");
    m.setBtnNameSize(Col, Row, 0, 14);
    m.setFontStyle(Col, Row, 0, fsBold);
    m.setBtnNamePos(Col, Row, 0, 0, -15);
    m.setBtnName(Col, Row, 1, "AltGr");
    m.setFontStyle(Col, Row, 1, fsItalic);
    m.setBtnNamePos(Col, Row, 1, 0, 15);
    m.setBtnName(Col, Row, 2, "F1");
    m.setVertName(Col, Row, 2, true);
    m.setBtnNamePos(Col, Row, 2, 28, 0);
}

QImage rgb(const QImage& i) { return i.convertToFormat(QImage::Format_RGB32); }

// Soft edge pixels, neither ground nor ink, for each pixel of ink: a face stretched from
// fewer pixels has wider edges around the same ink.
double softness(const QImage& face)
{
    int soft = 0, ink = 0;
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x) {
            const int grey = qGray(face.pixel(x, y));
            soft += grey > 40 && grey < 215;
            ink += grey < 128;
        }
    return double(soft) / ink;
}

// Mean difference in grey between two faces of one size.
double difference(const QImage& a, const QImage& b)
{
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    return double(sum) / (a.width() * a.height());
}

enum Surface { Button, Preview, Grid };

// The face of key (Col, Row) as `surface` shows it on the screen, in device pixels.
QImage shownFace(Surface surface, KeyMapImgClass& model, qreal ratio)
{
    if (surface == Button) {
        MainWindow w;
        dressKey(*w.model());
        w.form()->ShowBtnLabels->trigger();
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            return {};
        QPushButton* b = w.keyButton(Col, Row);
        return b->devicePixelRatioF() == ratio ? b->icon().pixmap(b->iconSize(), ratio).toImage() : QImage();
    }
    if (surface == Preview) {
        BtnPropDialog d;
        d.loadKey(Col, Row, &model);
        d.show();
        if (!QTest::qWaitForWindowExposed(&d))
            return {};
        return d.findChild<QLabel*>("label_29")->pixmap().toImage();
    }
    KeyTestGrid grid(model);
    const QRect all = keyGridRect(0, 0) | keyGridRect(KeyCols - 1, KeyRows - 1);
    grid.resize(all.size());  // one grid unit to a logical pixel
    grid.show();
    if (!QTest::qWaitForWindowExposed(&grid))
        return {};
    const QRect key = keyGridRect(Col, Row);
    const QPoint faceAt = key.center() - QPoint(35, 35);
    return grid.grab().toImage().copy(QRect(faceAt * ratio, QSize(71, 71) * ratio));
}
}  // namespace

class TestFaceScale : public QObject
{
    Q_OBJECT
private slots:
    void facesHaveTheScreensPixels_data()
    {
        QTest::addColumn<Surface>("surface");
        QTest::newRow("editor's key button") << Button;
        QTest::newRow("properties preview") << Preview;
        QTest::newRow("key test grid") << Grid;
    }
    void facesHaveTheScreensPixels()
    {
        QFETCH(Surface, surface);
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        KeyMapImgClass model;
        dressKey(model);
        const QImage shown = rgb(shownFace(surface, model, ratio));
        QCOMPARE(shown.size(), QSize(qRound(71 * ratio), qRound(71 * ratio)));

        // The scene the faces have always been drawn through, at 1x.
        const KeyFaceLook l = model.keyFaceLook(Col, Row);
        const QImage reference = rgb(renderKeyFaceScene(l.texts, l.colours, l.positions, l.sizes, l.background,
                                                        l.styles, l.vertical, 71, 71, l.family)
                                         .toImage());
        if (ratio == 1) {
            QCOMPARE(shown, reference);
            return;
        }
        const QImage stretched = reference.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(shown != stretched);
        QVERIFY2(softness(shown) < 0.6 * softness(stretched),
                 qPrintable(QString("%1 vs %2").arg(softness(shown)).arg(softness(stretched))));
        // The same labels in the same places, only finer: brought down to 1x the face is
        // far nearer the reference than a blank face is.
        const QImage down = shown.scaled(71, 71, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage blank(71, 71, QImage::Format_RGB32);
        blank.fill(Qt::white);
        QVERIFY(difference(down, reference) < 0.35 * difference(blank, reference));
    }
};

QTEST_MAIN(TestFaceScale)
#include "tst_facescale.moc"
