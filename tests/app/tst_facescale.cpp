// Key faces drawn for the screen's pixels; CTest runs this at QT_SCALE_FACTOR 1, 1.5 and 2.
#include "btnpropdialog.h"
#include "keygeometry.h"
#include "keytestgrid.h"
#include "mainwindow.h"
#include "mainwindowform.h"

#include <QLabel>
#include <QTest>

// Grey edge pixels per pixel of ink: a face stretched from fewer pixels has wider edges.
static double softness(const QImage& face)
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

class TestFaceScale : public QObject
{
    Q_OBJECT
private slots:
    void facesHaveTheScreensPixels()
    {
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        MainWindow w;
        KeyMapImgClass& m = *w.model();
        m.setFontFamily("Liberation Sans");
        for (auto [line, text, style] : {std::tuple(0, "Shift", fsBold), {1, "AltGr", fsItalic}, {2, "F1", fsNormal}}) {
            m.setBtnName(1, 1, line, text);
            m.setFontStyle(1, 1, line, style);
            m.setBtnNamePos(1, 1, line, line == 2 ? 28 : 0, line == 2 ? 0 : 30 * line - 15);
        }
        m.setVertName(1, 1, 2, true);
        w.form()->ShowBtnLabels->trigger();
        BtnPropDialog d;
        d.loadKey(1, 1, &m);
        KeyTestGrid grid(m);  // a grid unit to a logical pixel: key (1, 1)'s face at 120, 120
        grid.resize((keyGridRect(0, 0) | keyGridRect(KeyCols - 1, KeyRows - 1)).size());
        for (QWidget* window : std::initializer_list<QWidget*>{&w, &d, &grid}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
        const QPushButton* b = w.keyButton(1, 1);
        const QSize pixels = QSize(71, 71) * ratio;
        const std::pair<const char*, QImage> shown[] = {
            {"key button", b->icon().pixmap(b->iconSize(), b->devicePixelRatioF()).toImage()},
            {"preview", d.findChild<QLabel*>("label_29")->pixmap().toImage()},
            {"key test grid", grid.grab().toImage().copy(QRect(QPoint(120, 120) * ratio, pixels))}};
        // The scene that has always drawn the faces, at 1x.
        const KeyFaceLook l = m.keyFaceLook(1, 1);
        const QImage reference = renderKeyFaceScene(l.texts, l.colours, l.positions, l.sizes, l.background, l.styles,
                                                    l.vertical, 71, 71, l.family)
                                     .toImage()
                                     .convertToFormat(QImage::Format_RGB32);
        const QImage stretched = reference.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (const auto& [surface, face] : shown) {
            const QImage rgb = face.convertToFormat(QImage::Format_RGB32);
            QVERIFY2(rgb.size() == pixels, surface);
            QVERIFY2(ratio == 1 ? rgb == reference : softness(rgb) < 0.6 * softness(stretched), surface);
        }
    }
};

QTEST_MAIN(TestFaceScale)
#include "tst_facescale.moc"
