// raskladka-cli print through the built binary: exit statuses, the PDF it writes,
// and what it refuses.
#include "buttonviewfile.h"
#include "keymapfile.h"
#include "keymapimgclass.h"
#include "pdftools.h"
#include "programrun.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
using Run = ProgramRun;

Run runCli(const QStringList& args)
{
    return runProgram(QStringLiteral(RASKLADKA_CLI_PATH), args, 120000);
}

Run runPrint(const QStringList& args) { return runCli(QStringList{"print"} + args); }

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Tiles as the page shows them: regions at least 20 pixels across (the background
// inside a letter's loop is no tile).
int countTiles(const QImage& img, bool (*inside)(QRgb))
{
    const QList<Blob> blobs = findBlobs(img, inside);
    return int(std::count_if(blobs.begin(), blobs.end(),
                             [](const Blob& b) { return b.box.width() > 20 && b.box.height() > 20; }));
}
}  // namespace

class TestCliPrint : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString btv, kmp, noFontBtv;

    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        KeyMapImgClass model;
        for (int c = 0; c < KeyCols; ++c)
            for (int r = 0; r < KeyRows; ++r)
                model.setBtnColor(c, r, TColor{0, 0, 255});
        model.setBtnName(0, 0, 0, "Молоко");
        model.setBtnNameColor(0, 0, 0, TColor{255, 255, 0});
        model.setBtnName(12, 5, 0, "ВВОД");
        model.setVertName(12, 5, 0, true);
        TKeyMap map;
        map.count = 3;
        map.pairs[0].code = 0x04;
        map.pairs[1].code = 0x05;
        map.pairs[2].code = 0x28;
        model.setKeyMap(3, 3, map);
        btv = path("layout.btv");
        kmp = path("layout.kmp");
        QString error;
        QVERIFY2(saveButtonViewFile(model, btv, &error), qPrintable(error));
        QVERIFY2(saveKeymapFile(model, kmp, &error), qPrintable(error));
        model.setFontFamily("Нет Такого Шрифта");
        noFontBtv = path("nofont.btv");
        QVERIFY2(saveButtonViewFile(model, noFontBtv, &error), qPrintable(error));
    }

    void printsBothSheets_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<bool>("blue");
        QTest::newRow("labels from btv") << "layout.btv" << "labels" << true;
        QTest::newRow("codes from btv") << "layout.btv" << "codes" << false;
        QTest::newRow("codes from kmp") << "layout.kmp" << "codes" << false;
        // A keymap holds no colours: white stickers, only the cutting marks show.
        QTest::newRow("labels from kmp") << "layout.kmp" << "labels" << false;
    }
    void printsBothSheets()
    {
        QFETCH(QString, input);
        QFETCH(QString, sheet);
        QFETCH(bool, blue);
        const QString out = path(sheet + "-" + input + ".pdf");
        const Run r = runPrint({path(input), "--sheet", sheet, "-o", out});
        QCOMPARE(r.status, 0);
        QVERIFY2(!r.err.contains("raskladka-cli:"), qPrintable(r.err));
        const PdfInfo info = readPdfInfo(out);
        QVERIFY(info.ok);
        QCOMPARE(info.pages, 1);
        QVERIFY(info.pagePoints.width() > info.pagePoints.height());
        const QImage page = rasterizePdf(out, 100);
        QVERIFY(!page.isNull());
        if (blue)
            QCOMPARE(countTiles(page, isBlue), 75);
        else if (sheet == "codes")
            QCOMPARE(countTiles(page, isInk), 75);
        else {
            // 300 cutting marks, each a few pixels long at this resolution.
            int ink = 0;
            for (int y = 0; y < page.height(); ++y)
                for (int x = 0; x < page.width(); ++x)
                    ink += isInk(page.pixel(x, y));
            QVERIFY2(ink > 600, qPrintable(QString::number(ink)));
        }
        // Nothing is left behind but the PDF.
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(!name.startsWith('.'), qPrintable(name));
    }

    void sameSheetAsTheOptionsSay()
    {
        // --sheet=X and --output X spell the same command.
        const QString a = path("a.pdf"), b = path("b.pdf");
        QCOMPARE(runPrint({kmp, "--sheet", "codes", "-o", a}).status, 0);
        QCOMPARE(runPrint({"--sheet=codes", "--output", b, kmp}).status, 0);
        QCOMPARE(rasterizePdf(a, 50), rasterizePdf(b, 50));
    }

    void missingFontIsRefused()
    {
        const QString out = path("nofont.pdf");
        QVERIFY(writeBytes(out, "older file"));
        const Run r = runPrint({noFontBtv, "--sheet", "labels", "-o", out});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("Шрифт макета Нет Такого Шрифта отсутствует в системе."), qPrintable(r.err));
        QCOMPARE(readBytes(out), QByteArray("older file"));
        // The listing prints in its own font whatever the layout's.
        const Run codes = runPrint({noFontBtv, "--sheet", "codes", "-o", out});
        QCOMPARE(codes.status, 0);
        QVERIFY(readBytes(out).startsWith("%PDF"));
    }

    void invalidLayoutIsRefused_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("kmp checksum") << "bad.kmp" << "Ошибка контрольной суммы";
        QTest::newRow("btv mark") << "bad.btv" << "Ошибка в формате файла";
        QTest::newRow("btv count") << "count.btv" << "Неверное количество сканкодов на кнопке";
        QTest::newRow("missing file") << "absent.btv" << "absent.btv";
    }
    void invalidLayoutIsRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QByteArray k = readBytes(kmp);
        k[ImageSize - 1] = char(k[ImageSize - 1] ^ 0x55);
        QVERIFY(writeBytes(path("bad.kmp"), k));
        QByteArray b = readBytes(btv);
        b[BtvOffset::Mark] = 0x35;
        QVERIFY(writeBytes(path("bad.btv"), b));
        b = readBytes(btv);
        b[BtvOffset::keyMap(2, 1)] = 9;
        QVERIFY(writeBytes(path("count.btv"), b));

        const QString out = path("refused.pdf");
        QFile::remove(out);
        for (const QString sheet : {"labels", "codes"}) {
            const Run r = runPrint({path(file), "--sheet", sheet, "-o", out});
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.contains(message), qPrintable(r.err));
            QVERIFY(!QFile::exists(out));
        }
    }

    void unwritableOutput()
    {
        const Run r = runPrint({btv, "--sheet", "codes", "-o", "/nonexistent-directory/out.pdf"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("/nonexistent-directory/out.pdf"), qPrintable(r.err));
    }

    // An older PDF is written as a layout file is: its other names see the new sheet.
    void olderPdfKeepsItsLinksAndMode()
    {
#ifdef RASKLADKA_QT_ONLY
        QSKIP("a save without POSIX cannot see hard links, and replaces a linked file");
#endif
        const QString out = path("linked.pdf");
        const QString other = path("other-name.pdf");
        QVERIFY(writeBytes(out, "older file"));
        QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QCOMPARE(::link(QFile::encodeName(out).constData(), QFile::encodeName(other).constData()), 0);
        const Run r = runPrint({kmp, "--sheet", "codes", "-o", out});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(readBytes(other).startsWith("%PDF"));
        QCOMPARE(readBytes(other), readBytes(out));
        const QFileDevice::Permissions userBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        QCOMPARE(QFile::permissions(out) & ~userBits, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("no sheet") << QStringList{"F", "-o", "O"};
        QTest::newRow("no output") << QStringList{"F", "--sheet", "labels"};
        QTest::newRow("no file") << QStringList{"--sheet", "labels", "-o", "O"};
        QTest::newRow("two files") << QStringList{"F", "F", "--sheet", "labels", "-o", "O"};
        QTest::newRow("bad sheet") << QStringList{"F", "--sheet", "stickers", "-o", "O"};
        QTest::newRow("dangling option") << QStringList{"F", "-o", "O", "--sheet"};
        QTest::newRow("unknown option") << QStringList{"F", "--sheet", "codes", "-o", "O", "--colour"};
        QTest::newRow("unknown file kind") << QStringList{"layout.txt", "--sheet", "codes", "-o", "O"};
        QTest::newRow("output over the layout") << QStringList{"F", "--sheet", "codes", "-o", "F"};
        QTest::newRow("output named as a keymap") << QStringList{"F", "--sheet", "codes", "-o", "out.KMP"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        for (QString& a : args) {
            if (a == "F")
                a = btv;
            else if (a == "O")
                a = path("usage.pdf");
        }
        const Run r = runPrint(args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("raskladka-cli:"));
        QVERIFY(!QFile::exists(path("usage.pdf")));
        QVERIFY(!QFile::exists("out.KMP"));
        QVERIFY(checkButtonViewFile(readBytes(btv)).ok());
    }

    void help()
    {
        const Run r = runCli({"print", "--help"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains("print FILE --sheet labels|codes -o OUT.pdf"));
        QVERIFY(runCli({"--help"}).out.contains("print FILE --sheet"));
    }
};

QTEST_MAIN(TestCliPrint)
#include "tst_cliprint.moc"
