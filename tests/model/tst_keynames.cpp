#include "keynames.h"

#include <QComboBox>
#include <QSet>
#include <QTest>

class TestKeyNames : public QObject
{
    Q_OBJECT
private slots:
    void lookupFindsFirstMatch_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::newRow("0x81") << 0x81 << 0 << "System Power";
        QTest::newRow("0x00 first of two") << 0x00 << 3 << " ";
        QTest::newRow("0x04") << 0x04 << 7 << "A Ф";
        QTest::newRow("0x73") << 0x73 << 118 << "F24";
        QTest::newRow("0xE0") << 0xE0 << 119 << "Left Ctrl";
        QTest::newRow("0xE7") << 0xE7 << 126 << "Right GUI";
        QTest::newRow("0x74 unlisted") << 0x74 << 127 << "";
        QTest::newRow("0x80 unlisted") << 0x80 << 127 << "";
        QTest::newRow("0xFF unlisted") << 0xFF << 127 << "";
        QTest::newRow("0xDF unlisted") << 0xDF << 127 << "";
    }
    void lookupFindsFirstMatch()
    {
        QFETCH(int, code);
        QFETCH(int, index);
        QFETCH(QString, name);
        QCOMPARE(findKeyIndex(uint8_t(code)), index);
        QCOMPARE(keyCodeName(uint8_t(code)), name);
    }

    void tableShape()
    {
        for (int i = 4; i <= 118; ++i)
            QCOMPARE(int(KeyNames[i].code), i - 3);
        for (int i = 119; i <= 126; ++i)
            QCOMPARE(int(KeyNames[i].code), 0xE0 + i - 119);
        QCOMPARE(int(KeyNames[127].code), 0);
        QVERIFY(keyNameAt(127).isEmpty());
        for (int i = 0; i < SelectableKeyNames; ++i)
            QVERIFY2(!keyNameAt(i).isEmpty(), qPrintable(QString::number(i)));
        // Every code but 0x00 appears once.
        QSet<int> seen;
        for (int i = 0; i < SelectableKeyNames; ++i) {
            QVERIFY2(!seen.contains(KeyNames[i].code), qPrintable(QString::number(i)));
            seen.insert(KeyNames[i].code);
        }
    }

    void namesAsStored()
    {
        QCOMPARE(keyNameAt(52), QString(" |"));
        QCOMPARE(keyNameAt(55), QString("' Э"));
        QCOMPARE(keyNameAt(56), QString("` ~ Ё"));
        QCOMPARE(keyNameAt(50), QString("[ { Х"));
        QCOMPARE(keyNameAt(74), QString("Scrol Lock"));
        QCOMPARE(keyNameAt(32), QString("Z Я"));
        QCOMPARE(keyNameAt(58), QString(". > Ю"));
        int cyrillic = 0;
        for (int i = 0; i < SelectableKeyNames; ++i)
            for (QChar ch : keyNameAt(i))
                if (ch.script() == QChar::Script_Cyrillic) { ++cyrillic; break; }
        QCOMPARE(cyrillic, 33);  // 26 letters and seven punctuation keys
    }

    void selectorHolds127Items()
    {
        QComboBox box;
        for (int i = 0; i < KeyNamesCount && KeyNames[i].name[0]; ++i)
            box.addItem(keyNameAt(i));
        QCOMPARE(box.count(), 127);
        QCOMPARE(box.itemText(126), QString("Right GUI"));
    }
};

QTEST_MAIN(TestKeyNames)
#include "tst_keynames.moc"
