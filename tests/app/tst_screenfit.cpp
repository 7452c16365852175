// A 1600 x 1000 screen at 200 %: the key properties dialog, 800 x 501 of its own points
// and its frame besides, is moved and limited to the screen with its buttons in reach.
#include "btnpropdialog.h"
#include "mainwindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

class TestScreenFit : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + qgetenv("RASKLADKA_SOURCE_DIR") + "/tests/app/screen200.json");
    }

private slots:
    void propertiesDialogInReach()
    {
        MainWindow w;
        w.show();
        QCOMPARE(w.screen()->devicePixelRatio(), 2.0);
        const QRect area = w.screen()->availableGeometry();
        BtnPropDialog* d = w.propertiesDialog();
        for (QPoint key : {QPoint(0, 0), QPoint(12, 5)}) {
            QTest::mouseClick(w.keyButton(key.x(), key.y()), Qt::LeftButton);
            QVERIFY(d->isVisible() && area.contains(d->frameGeometry()));
            const QList<QAbstractButton*> buttons = d->findChild<QDialogButtonBox*>("buttonBox")->buttons();
            QCOMPARE(buttons.size(), 3);
            for (const QAbstractButton* b : buttons)
                QVERIFY2(area.contains(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())), qPrintable(b->text()));
            d->reject();
        }
    }
};

QTEST_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
