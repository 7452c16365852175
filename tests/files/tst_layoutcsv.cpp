// The layout as a sheet: what a spreadsheet user may hand it, what it refuses (with the
// row and column), and that a button view comes back byte for byte.
#include "buttonviewfile.h"
#include "layoutcsv.h"
#include "layoutsamples.h"

#include <QTest>

class TestLayoutCsv : public QObject
{
    Q_OBJECT

    static std::unique_ptr<KeyMapImgClass> read(const QByteArray& sheet, QString* error = nullptr)
    {
        QString e;
        auto m = layoutFromCsv(sheet, &e);
        if (error)
            *error = e;
        return m;
    }

private slots:
    // Every button view, also one using every field to its limits, texts a sheet finds
    // hard included, comes back from its sheet with the same bytes.
    void buttonViewsComeBackByteForByte()
    {
        const QString hard[] = {QStringLiteral("00"), QStringLiteral("5 %"), QStringLiteral("=СУММ"), QStringLiteral(" ; \" ,"),
                                QStringLiteral("a\\u0041\\\\"), QStringLiteral("строка\nдве\t\r"), QString(23, u'Ж') + QChar(0xD83D),
                                QChar(0xDC00) + QStringLiteral("\\"), QStringLiteral("=\"x\"")};
        for (quint32 seed = 1; seed <= 50; ++seed) {
            KeyMapImgClass m;
            samples::fillRandom(m, seed);
            for (int i = 0; i < int(std::size(hard)); ++i)
                m.setBtnName(int(seed + i) % KeyCols, i % KeyRows, i % LabelLines, hard[i]);
            m.setKeyMap(11, 4, TKeyMap{2, {{0x02, 0x04}, {0x00, 0xE1}, {0x00, 0x36}, {0x13, 0x74}, {0x00, 0x31}}});
            const QByteArray btv = buttonViewFileBytes(m);
            KeyMapImgClass loaded;
            loadButtonViewFile(btv, loaded);
            QString error;
            const std::unique_ptr<KeyMapImgClass> back = read(layoutToCsv(loaded), &error);
            QVERIFY2(back, qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(error)));
            QVERIFY2(buttonViewFileBytes(*back) == btv, qPrintable(QStringLiteral("seed %1").arg(seed)));
        }
    }

    // The same keys however a spreadsheet wrote them: mark or none, ';' ',' or tab,
    // CRLF or LF, quoted line breaks, columns in any order and only some of them.
    void readsWhatSpreadsheetsWrite_data()
    {
        QTest::addColumn<QByteArray>("sheet");
        QTest::newRow("semicolon, mark, CRLF")
            << QByteArray("\xEF\xBB\xBF\"Колонка\";Ряд;Коды;Надпись 1\r\n2;1;\"Left Shift, A Ф\";Отдел\r\n13;4;, < Б;\"два\nряда\"\r\n");
        QTest::newRow("comma, LF, other order")
            << QByteArray("надпись 1,коды,ряд,колонка\nОтдел,\"left shift, a\",1,2\n\"два\nряда\",\", <\",4,13\n\n");
        QTest::newRow("tab, quoted header")
            << QByteArray("\"Ряд\"\t\"Колонка\"\t\"Надпись 1\"\t\"Коды\"\r\n1\t2\tОтдел\t0xE1, 0x04\r\n4\t13\t\"два\nряда\"\t0x36\r\n");
    }
    void readsWhatSpreadsheetsWrite()
    {
        QFETCH(QByteArray, sheet);
        QString error;
        const std::unique_ptr<KeyMapImgClass> m = read(sheet, &error);
        QVERIFY2(m, qPrintable(error));
        KeyMapImgClass expected;
        expected.setKeyMap(1, 0, TKeyMap{2, {{0x02, 0xE1}, {0x00, 0x04}}});
        expected.setBtnName(1, 0, 0, QStringLiteral("Отдел"));
        expected.setKeyMap(12, 3, TKeyMap{1, {{0x00, 0x36}}});
        expected.setBtnName(12, 3, 0, QStringLiteral("два\nряда"));
        samples::compareLayouts(*m, expected);
    }

    // Nothing is loaded from a bad sheet, and the message names the row and the column.
    void refusesBadSheets_data()
    {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<QString>("error");
        const QByteArray head = "Колонка;Ряд;Коды;Надпись 1;Надпись 1: размер;Фон\r\n1;1;;;;\r\n";
        QTest::newRow("unknown code") << head + "2;1;Left Shfit, A;;;" << "строка 3, столбец C «Коды»: неизвестное имя кода «Left Shfit»";
        QTest::newRow("six codes") << head + "2;1;A, B, C, D, E, F;;;" << "строка 3, столбец C «Коды»: не более 5 кодов, здесь 6";
        QTest::newRow("covered key") << head + "12;5;A;;;" << "строка 3, столбец A «Колонка»: место (12, 5) закрыто клавишей (12, 6)";
        QTest::newRow("twice") << head + "1;1;A;;;" << "строка 3, столбец A «Колонка»: клавиша (1, 1) уже описана в строке 2";
        QTest::newRow("size") << head + "2;1;;;256;" << "строка 3, столбец E «Надпись 1: размер»: ожидается целое от 0 до 255, здесь «256»";
        QTest::newRow("long text") << head + "2;1;;" + QByteArray(25, 'x') + ";;"
                                   << "строка 3, столбец D «Надпись 1»: текст длиннее 24 знаков UTF-16 (25)";
        QTest::newRow("colour") << head + "2;1;;;;red" << "строка 3, столбец F «Фон»: ожидается цвет вида #rrggbb, здесь «red»";
        QTest::newRow("column off grid") << head + "14;1;;;;" << "строка 3, столбец A «Колонка»: номер колонки: ожидается целое от 1 до 13, здесь «14»";
        QTest::newRow("unknown column") << QByteArray("Колонка;Ряд;Цена\r\n") << "строка 1, столбец C «Цена»: неизвестный столбец";
        QTest::newRow("no row column") << QByteArray("Колонка;Коды\r\n1;A\r\n") << "строка 1: нет столбца «Ряд»";
        QTest::newRow("value without header") << head + "2;1;;;;;7" << "строка 3, столбец G: значение в столбце без заголовка";
        QTest::newRow("open quote") << head + "2;1;\"A;;;" << "строка 3: кавычка не закрыта до конца файла";
        QTest::newRow("not UTF-8") << head + "2;1;;\xC0\xC1;;" << "строка 3: текст не в кодировке UTF-8";
    }
    void refusesBadSheets()
    {
        QFETCH(QByteArray, sheet);
        QFETCH(QString, error);
        QString got;
        QVERIFY(!read(sheet, &got));
        QCOMPARE(got, error);
    }
};

QTEST_GUILESS_MAIN(TestLayoutCsv)
#include "tst_layoutcsv.moc"
