// Key faces drawn for the screen's pixels; CTest runs this at QT_SCALE_FACTOR 1, 1.5 and 2.
#include "btnpropdialog.h"
#include "keytestgrid.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include <QLabel>
#include <QTest>

// Pixels neither ground nor ink: a face stretched from fewer pixels has wider edges.
static int edges(const QImage& f)
{
    int n = 0;
    for (int i = 0; i < f.width() * f.height(); ++i)
        n += qAbs(qGray(f.pixel(i % f.width(), i / f.width())) - 128) < 88;
    return n;
}

class TestFaceScale : public QObject
{
    Q_OBJECT
private slots:
    void facesHaveTheScreensPixels()
    {
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        MainWindow w;
        w.model()->setBtnName(1, 1, 0, "Shift");
        w.form()->ShowBtnLabels->trigger();
        BtnPropDialog d;
        d.loadKey(1, 1, w.model());
        KeyTestGrid grid(*w.model());
        grid.resize(1361, 626);  // the whole grid a unit to a logical pixel: key (1, 1)'s face at 120, 120
        for (QWidget* window : std::initializer_list<QWidget*>{&w, &d, &grid})
            window->show();
        const QSize pixels = QSize(71, 71) * ratio;
        const std::pair<const char*, QImage> shown[] = {
            {"key button", w.keyButton(1, 1)->icon().pixmap(QSize(71, 71), ratio).toImage()},
            {"preview", d.findChild<QLabel*>("label_29")->pixmap().toImage()},
            {"key test grid", grid.grab().toImage().copy(QRect(QPoint(120, 120) * ratio, pixels))}};
        const QImage face1x = w.model()->keyFace(1, 1).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage stretched = face1x.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (const auto& [surface, face] : shown) {
            const QImage f = face.convertToFormat(QImage::Format_RGB32);
            QVERIFY2(f.size() == pixels && (ratio == 1 ? f == face1x : edges(f) < 0.6 * edges(stretched)), surface);
        }
    }
};

QTEST_MAIN(TestFaceScale)
#include "tst_facescale.moc"
