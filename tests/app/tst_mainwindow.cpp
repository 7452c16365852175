#include "keyface.h"
#include "keymapimgclass.h"
#include "mainwindow.h"
#include "mainwindowform.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include "btnpropdialog.h"
#include "dialog_comport.h"

#include "testkeymaps.h"

namespace {
bool sameImage(const QIcon& icon, const QPixmap& expected)
{
    return icon.pixmap(expected.size()).toImage().convertToFormat(QImage::Format_RGB32) ==
           expected.toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    // Without icon files in the working directory every window shows its built-in icon.
    void builtInIconsReachTheProgram()
    {
        QTemporaryDir empty;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(empty.path()));
        MainWindow w;
        BtnPropDialog props(nullptr);
        Dialog_COMport loader(nullptr);
        QDir::setCurrent(before);
        for (const QWidget* win : {static_cast<const QWidget*>(&w), static_cast<const QWidget*>(&props),
                                   static_cast<const QWidget*>(&loader)}) {
            const QImage shown = win->windowIcon().pixmap(32, 32).toImage();
            QVERIFY2(!shown.isNull(), win->metaObject()->className());
        }
    }

    void startsInScanCodeView()
    {
        MainWindow w;
        QCOMPARE(w.currentViewMode(), 1);
        QCOMPARE(w.statusLabelWidget()->text(), QString("  Сканкоды  "));
        QCOMPARE(w.windowTitle(), QString("Редактор Раскладки "));
        QCOMPARE(w.model()->getFontFamily(), QString("Arial"));
        for (int c = 0; c < 13; ++c)
            for (int r = 0; r < 6; ++r) {
                QVERIFY(!w.keyButton(c, r)->isChecked());
                QCOMPARE(w.keyButton(c, r)->objectName(), QString("pushButton_%1_%2").arg(c + 1).arg(r + 1));
            }
        // An empty keymap: every key shows a plain white face.
        QImage face = w.keyButton(4, 2)->icon().pixmap(QSize(71, 71)).toImage();
        QCOMPARE(face.pixel(35, 35) & 0xFFFFFF, 0xFFFFFFu);
    }

    void buttonGeometry()
    {
        MainWindow w;
        for (int c = 0; c < 13; ++c)
            for (int r = 0; r < 6; ++r) {
                QPushButton* b = w.keyButton(c, r);
                if ((c == 11 && (r == 3 || r == 4)) || (c == 12 && r == 4)) {
                    QVERIFY(b->isHidden());
                    QCOMPARE(b->geometry(), QRect(20, 20, 71, 71));
                    continue;
                }
                QVERIFY(!b->isHidden());
                QRect want(QPoint(5 + 105 * c, 5 + 105 * r), QPoint(105 + 105 * c, 105 + 105 * r));
                if (c == 12 && r == 3)
                    want = QRect(QPoint(1160, 320), QPoint(1365, 420));
                if (c == 11 && r == 5)
                    want = QRect(QPoint(1160, 425), QPoint(1260, 630));
                if (c == 12 && r == 5)
                    want = QRect(QPoint(1265, 425), QPoint(1365, 630));
                QCOMPARE(b->geometry(), want);
                QCOMPARE(b->iconSize(), w.model()->getBtnSize(c, r));
                QVERIFY(b->isCheckable());
                QVERIFY(b->styleSheet().startsWith(" QPushButton::pressed, QPushButton::checked {border: 2px dashed"));
            }
        QCOMPARE(w.keyButton(0, 0)->geometry(), QRect(5, 5, 101, 101));
        QCOMPARE(w.keyButton(12, 3)->size(), QSize(206, 101));
        QVERIFY(!w.keyButton(11, 4)->isEnabled());
        QVERIFY(!w.keyButton(12, 4)->isEnabled());
        QVERIFY(w.keyButton(11, 3)->isFlat());
        QVERIFY(w.keyButton(0, 0)->palette().brush(QPalette::Button).gradient() != nullptr);
    }

    void windowSizeFollowsScreen()
    {
        MainWindow w;
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        const QSize want(qBound(100, avail.width() - 16, 1394), qBound(100, avail.height() - 16, 692));
        QCOMPARE(w.size(), want);
        QCOMPARE(w.maximumSize(), QSize(1394, 692));
        w.show();
        w.resize(300, 200);
        QTRY_COMPARE(w.form()->scrollArea->size(), w.form()->centralwidget->size());
        QCOMPARE(w.form()->widget->size(), QSize(1374, 631));  // the grid keeps its size
        w.resize(5000, 5000);
        QCOMPARE(w.size(), QSize(1394, 692));
    }

    void scanCodeLines_data()
    {
        QTest::addColumn<int>("n");
        QTest::newRow("one code") << 1;
        QTest::newRow("three codes") << 3;
        QTest::newRow("five codes") << 5;
    }
    void scanCodeLines()
    {
        QFETCH(int, n);
        MainWindow w;
        TKeyMap map = keyMapOf({0x04, 0x0A, 0xE1, 0x2C, 0x73});
        map.count = uint8_t(n);
        w.model()->setKeyMap(2, 1, map);
        w.refreshBtn(2, 1);
        // Lines 12 apart, centred as a block: 1 code at 0, 5 codes at -24..24.
        const int offsets1[] = {0};
        const int offsets3[] = {-12, 0, 12};
        const int offsets5[] = {-24, -12, 0, 12, 24};
        const int* offsets = n == 1 ? offsets1 : n == 3 ? offsets3 : offsets5;
        QString texts[5];
        TColor colours[5];
        TBtnNamePosition pos[5];
        uint8_t sizes[5] = {12, 12, 12, 12, 12};
        TFontStyle styles[5] = {fsBold, fsBold, fsBold, fsBold, fsBold};
        bool vertical[5] = {};
        const char* hex[] = {"0x04", "0x0A", "0xE1", "0x2C", "0x73"};
        for (int i = 0; i < n; ++i) {
            texts[i] = hex[i];
            pos[i] = {0, offsets[i]};
        }
        for (int i = n; i < 5; ++i)
            pos[i] = {0, 12 * i - 6 * n + 6};
        const QPixmap expected = renderKeyFace(texts, colours, pos, sizes, TColor{255, 255, 255}, styles, vertical,
                                               71, 71, "Courier New");
        QVERIFY(sameImage(w.keyButton(2, 1)->icon(), expected));
    }

    void layoutViewShowsFaces()
    {
        MainWindow w;
        w.model()->setBtnName(0, 0, 0, "Esc");
        w.model()->setBtnColor(12, 5, TColor{200, 10, 10});
        w.form()->ShowBtnLabels->trigger();
        QCOMPARE(w.currentViewMode(), 0);
        QCOMPARE(w.statusLabelWidget()->text(), QString("  Макет  "));
        QVERIFY(sameImage(w.keyButton(0, 0)->icon(), w.model()->keyFace(0, 0)));
        QVERIFY(sameImage(w.keyButton(12, 5)->icon(), w.model()->keyFace(12, 5)));
        w.form()->ShowScancodes->trigger();
        QCOMPARE(w.currentViewMode(), 1);
        QCOMPARE(w.statusLabelWidget()->text(), QString("  Сканкоды  "));
    }

    void uncheckButton()
    {
        MainWindow w;
        w.keyButton(12, 5)->setChecked(true);
        w.keyButton(0, 0)->setChecked(true);
        QVERIFY(QMetaObject::invokeMethod(&w, "UncheckBtn", Q_ARG(int, 12), Q_ARG(int, 5)));
        QVERIFY(!w.form()->keyButtons[12 * 6 + 5]->isChecked());
        QVERIFY(w.keyButton(0, 0)->isChecked());
        QVERIFY(QMetaObject::invokeMethod(&w, "UncheckBtn", Q_ARG(int, 0), Q_ARG(int, 0)));
        QVERIFY(!w.findChild<QPushButton*>("pushButton_1_1")->isChecked());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
