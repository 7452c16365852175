#include "keymapimgclass.h"

#include <QTest>

class TestLayoutModel : public QObject
{
    Q_OBJECT
private slots:
    void defaults()
    {
        KeyMapImgClass m;
        QCOMPARE(m.getFontFamily(), QString("Arial"));
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r) {
                QCOMPARE(m.getKeyMap(c, r), TKeyMap{});
                QVERIFY(!m.getLink(c, r));
                QCOMPARE(m.getBtnColor(c, r), (TColor{255, 255, 255}));
                QSize want(71, 71);
                if (c == 12 && r == 3)
                    want = QSize(176, 71);
                if ((c == 11 || c == 12) && r == 5)
                    want = QSize(71, 176);
                QCOMPARE(m.getBtnSize(c, r), want);
                for (int l = 0; l < LabelLines; ++l) {
                    QVERIFY(m.getBtnName(c, r, l).isEmpty());
                    QCOMPARE(int(m.getBtnNameSize(c, r, l)), 12);
                    QCOMPARE(m.getFontStyle(c, r, l), fsNormal);
                    QVERIFY(!m.getVertName(c, r, l));
                    QCOMPARE(m.getBtnNameColor(c, r, l), (TColor{0, 0, 0}));
                    QCOMPARE(m.getBtnNamePos(c, r, l), (TBtnNamePosition{0, 0}));
                }
            }
    }

    void textsAreCutTo24Units()
    {
        KeyMapImgClass m;
        const QString thirty = "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬ";
        QCOMPARE(thirty.size(), 30);
        m.setBtnName(2, 2, 1, "next line");
        m.setBtnName(2, 2, 0, thirty);
        QCOMPARE(m.getBtnName(2, 2, 0), thirty.left(24));
        QCOMPARE(m.getBtnName(2, 2, 1), QString("next line"));
        m.setBtnName(2, 2, 0, "");
        QVERIFY(m.getBtnName(2, 2, 0).isEmpty());
        m.setBtnName(2, 2, 0, QString(24, 'x'));
        QCOMPARE(m.getBtnName(2, 2, 0), QString(24, 'x'));
        m.setBtnName(2, 2, 0, "ab");  // shorter text after a full one: no leftovers
        QCOMPARE(m.getBtnName(2, 2, 0), QString("ab"));

        m.setFontFamily("A Family Name Longer Than Twenty-Four");
        QCOMPARE(m.getFontFamily(), QString("A Family Name Longer Tha"));
        m.setFontFamily("");
        QVERIFY(m.getFontFamily().isEmpty());
    }

    void keyMapOutsideGrid()
    {
        KeyMapImgClass m;
        TKeyMap full;
        full.count = 5;
        for (auto& p : full.pairs)
            p = {1, 2};
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r)
                m.setKeyMap(c, r, full);
        QCOMPARE(m.getKeyMap(13, 0), TKeyMap{});
        QCOMPARE(m.getKeyMap(0, 6), TKeyMap{});
        QCOMPARE(m.getKeyMap(-1, 0), TKeyMap{});
        QCOMPARE(m.getKeyMap(12, 5), full);
    }

    void resetKeyTouchesOneKey()
    {
        KeyMapImgClass m;
        m.setBtnName(4, 1, 2, "x");
        m.setFontStyle(4, 1, 2, fsBold);
        m.setVertName(4, 1, 2, true);
        m.setBtnNameColor(4, 1, 2, TColor{255, 0, 0});
        m.setBtnNameSize(4, 1, 2, 30);
        m.setBtnNamePos(4, 1, 2, -3, 7);
        m.setLink(4, 1, true);
        m.setBtnColor(4, 1, TColor{1, 1, 1});
        m.setBtnName(4, 2, 2, "neighbour");
        m.setFontFamily("Courier New");
        m.image()[5] = 0x5A;
        m.resetKey(4, 1);
        QVERIFY(m.getBtnName(4, 1, 2).isEmpty());
        QCOMPARE(m.getFontStyle(4, 1, 2), fsNormal);
        QVERIFY(!m.getVertName(4, 1, 2));
        QCOMPARE(m.getBtnNameColor(4, 1, 2), (TColor{0, 0, 0}));
        QCOMPARE(int(m.getBtnNameSize(4, 1, 2)), 12);
        QCOMPARE(m.getBtnNamePos(4, 1, 2), (TBtnNamePosition{0, 0}));
        QVERIFY(!m.getLink(4, 1));
        QCOMPARE(m.getBtnColor(4, 1), (TColor{255, 255, 255}));
        QCOMPARE(m.getBtnName(4, 2, 2), QString("neighbour"));
        QCOMPARE(m.getFontFamily(), QString("Courier New"));
        QCOMPARE(int(m.image()[5]), 0x5A);
    }

    void outOfRangeStyleIsKept()
    {
        KeyMapImgClass m;
        m.setFontStyle(0, 0, 3, TFontStyle(7));
        QCOMPARE(int(m.getFontStyle(0, 0, 3)), 7);
    }
};

QTEST_MAIN(TestLayoutModel)
#include "tst_layoutmodel.moc"
