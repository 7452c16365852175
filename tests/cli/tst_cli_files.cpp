// raskladka-cli info, dump and convert, run as the built program.
#include "files/layoutsamples.h"

#include "buttonviewfile.h"
#include "fileio.h"
#include "keymapfile.h"
#include "layoutjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "programrun.h"

using namespace samples;

namespace {
using Run = ProgramRun;

Run cli(const QStringList& args)
{
    return runProgram(QStringLiteral(RASKLADKA_CLI), args);
}

#define EXPECT_RUN(run, code, text)                                                                  \
    do {                                                                                             \
        QVERIFY2((run).status == (code), qPrintable((run).err));                                     \
        QVERIFY2((run).out.contains(text) || (run).err.contains(text), qPrintable((run).out + (run).err)); \
    } while (false)
}  // namespace

class TestCliFiles : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString saveSample(const QString& name, quint32 seed)
    {
        KeyMapImgClass m;
        fillRandom(m, seed);
        const bool ok = name.endsWith(".kmp") ? saveKeymapFile(m, path(name)) : saveButtonViewFile(m, path(name));
        return ok ? path(name) : QString();
    }

private slots:
    void infoOnValidFiles()
    {
        Run r = cli({"info", saveSample("good.kmp", 1)});
        EXPECT_RUN(r, 0, "карта сканкодов без ошибок");
        QVERIFY(r.out.contains("контрольная сумма: 0x"));
        r = cli({"info", saveSample("good.btv", 1)});
        EXPECT_RUN(r, 0, "макет раскладки без ошибок");

        KeyMapImgClass m;
        m.setFontFamily("NoSuchFamily");
        QVERIFY(saveButtonViewFile(m, path("nofont.btv")));
        r = cli({"info", path("nofont.btv")});  // a missing family still loads
        EXPECT_RUN(r, 0, "шрифт макета: NoSuchFamily (отсутствует в системе)");

        QVERIFY(writeAll(path("long.kmp"), readAll(path("good.kmp")) + QByteArray(19, '\0')));
        r = cli({"info", path("long.kmp")});  // read as the editor reads it: the first 881 bytes
        EXPECT_RUN(r, 0, "в файле 900 байт: читаются первые 881, остальные 19 не используются");
    }

    // Every command reads a keymap's first 881 bytes, as the editor does; a shorter one is refused.
    void keymapsReadFromTheirFirst881Bytes()
    {
        const QByteArray image = readAll(saveSample("image.kmp", 5));
        for (const int size : {880, 881, 900}) {
            const QString kmp = path(QString("%1.kmp").arg(size)), out = kmp + ".kmp";
            QVERIFY(writeAll(kmp, (image + QByteArray(19, '\xFF')).left(size)));
            const QList<QStringList> runs{{"info", kmp}, {"dump", kmp}, {"convert", kmp, out},
                                          {"diff", kmp, path("image.kmp")}, {"upload", kmp, "--port", "none"}};
            for (const QStringList& args : runs) {
                const Run r = cli(args);  // upload, with no such port, fails in any case
                const bool refused = r.err.contains("занимает 881");
                QVERIFY2(refused == (size < 881) && !r.status == (!refused && args[0] != "upload"), qPrintable(r.err));
            }
            QCOMPARE(readAll(out), size < 881 ? QByteArray() : image);
        }
    }

    void infoSaysWhatIsWrong()
    {
        QByteArray kmp = readAll(saveSample("k.kmp", 2));
        const uint8_t sum = uint8_t(kmp[880]);
        kmp[880] = char(sum ^ 0xFF);
        QVERIFY(writeAll(path("badsum.kmp"), kmp));
        Run r = cli({"info", path("badsum.kmp")});
        EXPECT_RUN(r, 1, "Ошибка контрольной суммы");
        QVERIFY2(r.err.contains(QString("получается 0x%1").arg(QString::number(sum, 16).toUpper().rightJustified(2, '0'))), qPrintable(r.err));
        QVERIFY2(r.err.contains(QString("записано 0x%1").arg(QString::number(sum ^ 0xFF, 16).toUpper().rightJustified(2, '0'))), qPrintable(r.err));

        QVERIFY(writeAll(path("short.kmp"), kmp.left(500)));
        r = cli({"info", path("short.kmp")});
        EXPECT_RUN(r, 1, "Ошибка в формате файла: в файле 500 байт");

        kmp = readAll(path("k.kmp"));
        kmp[40 * 11] = 6;
        kmp[880] = char(imageChecksum(reinterpret_cast<const uint8_t*>(kmp.constData())));
        QVERIFY(writeAll(path("count.kmp"), kmp));
        r = cli({"info", path("count.kmp")});
        EXPECT_RUN(r, 1, "Неверное количество сканкодов на кнопке: слот 40 (клавиша (13, 3)), количество 6");

        QByteArray btv = readAll(saveSample("b.btv", 3));
        btv[28085] = 0x13;
        QVERIFY(writeAll(path("mark.btv"), btv));
        r = cli({"info", path("mark.btv")});
        EXPECT_RUN(r, 1, "Ошибка в формате файла: метка по смещению 28084 равна 0x00001334, ожидается 0x00001234");

        btv = readAll(path("b.btv"));
        btv[889 + 66 * 3 + 11 * 2] = 9;
        QVERIFY(writeAll(path("count.btv"), btv));
        r = cli({"info", path("count.btv")});
        EXPECT_RUN(r, 1, "Неверное количество сканкодов на кнопке: клавиша (4, 3), количество 9");

        QVERIFY(writeAll(path("short.btv"), btv.left(28095)));
        r = cli({"info", path("short.btv")});
        EXPECT_RUN(r, 1, "в файле 28095 байт, макет раскладки занимает 28096");

        r = cli({"info", path("missing.btv")});
        EXPECT_RUN(r, 1, "missing.btv");
    }

    void usageErrors()
    {
        EXPECT_RUN(cli({"info"}), 2, "usage: raskladka-cli info FILE");
        EXPECT_RUN(cli({"info", "a.kmp", "b.kmp"}), 2, "usage");
        EXPECT_RUN(cli({"info", path("layout.txt")}), 2, "ожидается .kmp, .btv, .json или .csv");
        EXPECT_RUN(cli({"dump", "x.kmp", "--xml"}), 2, "неизвестный параметр --xml");
        EXPECT_RUN(cli({"convert", "x.kmp"}), 2, "usage: raskladka-cli convert IN OUT");
        EXPECT_RUN(cli({"convert", saveSample("u.kmp", 4), path("out.bin")}), 2, "out.bin");
        QVERIFY(!QFile::exists(path("out.bin")));
        for (const char* cmd : {"info", "dump", "convert"})
            EXPECT_RUN(cli({cmd, "--help"}), 0, QString("Usage: raskladka-cli ") + cmd);
    }

    void dumpShowsWhatTheEditorLoads()
    {
        KeyMapImgClass m;
        TKeyMap a;
        a.count = 2;
        a.pairs[0].code = 0x04;
        a.pairs[1].code = 0xE1;
        m.setKeyMap(1, 2, a);
        m.setBtnName(1, 2, 3, "lost in a keymap");
        QVERIFY(saveKeymapFile(m, path("d.kmp")));

        Run r = cli({"dump", path("d.kmp")});
        EXPECT_RUN(r, 0, "Клавиша (2, 3): кодов 2, пары 00:04 «A Ф» 02:E1");
        QVERIFY(r.out.contains("  1: «A Ф» цвет #000000, смещение 0,0, размер 12, стиль 0 (обычный), горизонтально"));
        QVERIFY(r.out.contains("Клавиша (12, 5) (скрыта)"));
        QVERIFY(!r.out.contains("lost in a keymap"));

        r = cli({"dump", path("d.kmp"), "--json"});
        QCOMPARE(r.status, 0);
        KeyMapImgClass opened;
        QByteArray bytes;
        QVERIFY(readFileHead(path("d.kmp"), KeymapFileSize, bytes));
        decodeKeymapFile(bytes, opened);
        QCOMPARE(r.outBytes, layoutToJson(opened, "kmp"));
        const QJsonObject key = QJsonDocument::fromJson(r.outBytes).object()["keys"].toArray()[8].toObject();
        QCOMPARE(key["lines"].toArray()[0].toObject()["text"].toString(), QString("A Ф"));
        QCOMPARE(key["pairs"].toArray()[1].toArray(), QJsonArray({2, 0xE1}));  // mask set by the save

        KeyMapImgClass saved;
        fillRandom(saved, 5);
        QVERIFY(saveButtonViewFile(saved, path("d.btv")));
        r = cli({"dump", "--json", path("d.btv")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.outBytes, layoutToJson(saved, "btv"));
    }

    void dumpOfAFileThatStopsPartWay()
    {
        QByteArray btv = readAll(saveSample("p.btv", 6));
        btv[889 + 66 * 3 + 11 * 2] = 6;
        QVERIFY(writeAll(path("partial.btv"), btv));
        Run r = cli({"dump", path("partial.btv")});
        EXPECT_RUN(r, 1, "клавиша (4, 3), количество 6");
        QVERIFY(r.out.contains("Клавиша (13, 6)"));  // every key is shown, the rest at their defaults

        btv[28084] = 0;
        QVERIFY(writeAll(path("refused.btv"), btv));
        r = cli({"dump", path("refused.btv")});
        EXPECT_RUN(r, 1, "Ошибка в формате файла");
        QVERIFY(r.out.isEmpty());
    }

    void convertRoundTripIsByteIdentical()
    {
        const QString btv = saveSample("c.btv", 7);
        EXPECT_RUN(cli({"convert", btv, path("c.json")}), 0, "");
        EXPECT_RUN(cli({"convert", path("c.json"), path("c2.btv")}), 0, "");
        QCOMPARE(readAll(path("c2.btv")), readAll(btv));

        // A .btv from JSON is what the editor saves for the same layout.
        KeyMapImgClass m;
        fillRandom(m, 8);
        QVERIFY(writeAll(path("m.json"), layoutToJson(m, "btv")));
        EXPECT_RUN(cli({"convert", path("m.json"), path("m.btv")}), 0, "");
        QCOMPARE(readAll(path("m.btv")), buttonViewFileBytes(m));
        EXPECT_RUN(cli({"convert", path("m.json"), path("m.kmp")}), 0, "");
        QCOMPARE(readAll(path("m.kmp")), keymapFileBytes(m));

        // A keymap becomes a layout with line 0 named after the first codes.
        EXPECT_RUN(cli({"convert", path("m.kmp"), path("k.btv")}), 0, "");
        KeyMapImgClass fromKmp;
        decodeKeymapFile(keymapFileBytes(m), fromKmp);
        QCOMPARE(readAll(path("k.btv")), buttonViewFileBytes(fromKmp));
        EXPECT_RUN(cli({"convert", path("k.btv"), path("k2.kmp")}), 0, "");
        QCOMPARE(readAll(path("k2.kmp")), readAll(path("m.kmp")));
    }

    void badInputWritesNothing()
    {
        const QString out = path("keep.btv");
        QVERIFY(writeAll(out, "previous"));
        KeyMapImgClass m;
        fillRandom(m, 9);
        QJsonObject root = QJsonDocument::fromJson(layoutToJson(m, "btv")).object();
        QJsonArray keys = root["keys"].toArray();
        QJsonObject key = keys[12].toObject();
        QJsonArray lines = key["lines"].toArray();
        QJsonObject line = lines[3].toObject();
        line["size"] = 300;
        lines[3] = line;
        key["lines"] = lines;
        keys[12] = key;
        root["keys"] = keys;
        QVERIFY(writeAll(path("bad.json"), QJsonDocument(root).toJson()));

        Run r = cli({"convert", path("bad.json"), out});
        EXPECT_RUN(r, 1, "keys[12].lines[3].size: ожидается целое 0..255");
        QCOMPARE(readAll(out), QByteArray("previous"));
        r = cli({"convert", path("bad.json"), path("new.kmp")});
        QCOMPARE(r.status, 1);
        QVERIFY(!QFile::exists(path("new.kmp")));

        QVERIFY(writeAll(path("broken.json"), "{\"format\": \"btv\","));
        r = cli({"convert", path("broken.json"), out});
        EXPECT_RUN(r, 1, "JSON: ");
        QCOMPARE(readAll(out), QByteArray("previous"));

        // A keymap that would load only part way is not converted either.
        QByteArray kmp = readAll(saveSample("p.kmp", 10));
        kmp[5 * 11] = 7;
        kmp[880] = char(imageChecksum(reinterpret_cast<const uint8_t*>(kmp.constData())));
        QVERIFY(writeAll(path("p.kmp"), kmp));
        r = cli({"convert", path("p.kmp"), out});
        EXPECT_RUN(r, 1, "слот 5");
        QCOMPARE(readAll(out), QByteArray("previous"));
    }

    void readOnlyOutputIsRefused()
    {
        const QString out = path("ro.kmp");
        QVERIFY(writeAll(out, "read only"));
        QFile::setPermissions(out, QFile::ReadOwner);
        Run r = cli({"convert", saveSample("src.btv", 11), out});
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_RUN(r, 1, "Файл только для чтения не может быть записан!");
        QCOMPARE(readAll(out), QByteArray("read only"));
    }

    // A failed write names its reason, then the file, once.
    void failedWriteNamesTheFileOnce()
    {
        const QString out = path("no-such-folder/out.kmp");
        const Run r = cli({"convert", saveSample("w.btv", 13), out});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith("raskladka-cli: Ошибка записи (") && r.err.endsWith("): " + out + "\n"),
                 qPrintable(r.err));
        QCOMPARE(r.err.count(out), 1);
    }
};

QTEST_GUILESS_MAIN(TestCliFiles)
#include "tst_cli_files.moc"
