// raskladka-cli diff between layout files and against a (simulated) keyboard.
#include "buttonviewfile.h"
#include "keymapfile.h"
#include "layoutjson.h"
#include "testkeymaps.h"
#include "tools/simkbdprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "programrun.h"
#include "testfiles.h"

namespace {
ProgramRun cli(const QStringList& args)
{
    return runProgram(QStringLiteral(RASKLADKA_CLI), args);
}

void fillSomeKeys(KeyMapImgClass& m)
{
    m.setKeyMap(3, 1, keyMapWithMasks({0xE0, 0x06}));
    m.setKeyMap(12, 5, keyMapOf({0x28}));
    m.setBtnName(3, 1, 2, QStringLiteral("Копировать"));
}

QByteArray imageOf(KeyMapImgClass& m)
{
    m.makeImage();
    return QByteArray(reinterpret_cast<const char*>(m.image()), ImageSize);
}
}  // namespace

class TestCliDiff : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        KeyMapImgClass a;
        fillSomeKeys(a);
        QVERIFY(saveButtonViewFile(a, path("a.btv")));
        QVERIFY(saveKeymapFile(a, path("a.kmp")));
        QFile json(path("a.json"));
        QVERIFY(json.open(QIODevice::WriteOnly));
        json.write(layoutToJson(a, QStringLiteral("btv")));
        json.close();

        KeyMapImgClass b;
        fillSomeKeys(b);
        b.setKeyMap(0, 0, keyMapOf({0x04}));      // a code added
        b.setKeyMap(12, 5, keyMapOf({0x28, 0x2C}));  // one more code
        b.setBtnName(3, 1, 2, QString());         // a label cleared
        b.setBtnColor(7, 2, TColor{0, 255, 0});   // a background
        b.setKeyMap(11, 4, keyMapOf({0x05}));     // hidden, and in no slot of the image
        QVERIFY(saveButtonViewFile(b, path("b.btv")));
    }

    void equalLayouts()
    {
        for (const QStringList& pair : {QStringList{"a.btv", "a.json"}, QStringList{"a.btv", "a.kmp"}}) {
            const ProgramRun r = cli({"diff", path(pair[0]), path(pair[1])});
            QVERIFY2(r.status == 0, qPrintable(pair.join(' ') + r.out + r.err));
            QCOMPARE(r.out, QStringLiteral("Раскладки совпадают.\n"));
        }
        // Labels agree too; a mask the image would set anyway is no difference.
        KeyMapImgClass noMask;
        fillSomeKeys(noMask);
        noMask.setKeyMap(3, 1, keyMapOf({0xE0, 0x06}));
        QVERIFY(saveButtonViewFile(noMask, path("nomask.btv")));
        QCOMPARE(cli({"diff", path("a.btv"), path("nomask.btv"), "--labels"}).status, 0);
    }

    void differentCodes()
    {
        const ProgramRun r = cli({"diff", path("a.btv"), path("b.btv"), "--keys"});
        QCOMPARE(r.status, 1);
        const QStringList expected{"Клавиша (1, 1), коды: нет кодов → 00:04 «A Ф»",
                                   "Клавиша (12, 5) (скрыта), коды: нет кодов → 00:05 «B И»",
                                   "Клавиша (13, 6), коды: 00:28 «Enter» → 00:28 «Enter», 00:2C «Space»",
                                   "Раскладки различаются: клавиш 3."};
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
        // A keymap cannot hold key (11, 4): against one it is not compared.
        const ProgramRun k = cli({"diff", path("a.kmp"), path("b.btv"), "--keys"});
        QCOMPARE(k.status, 1);
        QVERIFY(!k.out.contains("(12, 5)"));
        QVERIFY(k.out.contains("клавиш 2."));
    }

    void labelsAndJson()
    {
        const ProgramRun r = cli({"diff", path("a.btv"), path("b.btv"), "--labels", "--keys"});
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.contains("Клавиша (4, 2), строка 3, надпись: «Копировать» → «»\n"));
        QVERIFY(r.out.contains("Клавиша (8, 3), фон: #ffffff → #00ff00\n"));
        QVERIFY(r.out.contains("клавиш 5."));

        const ProgramRun j = cli({"diff", path("a.btv"), path("b.btv"), "--labels", "--json", "--keys"});
        QCOMPARE(j.status, 1);
        const QJsonObject doc = QJsonDocument::fromJson(j.outBytes).object();
        QCOMPARE(doc["equal"].toBool(true), false);
        QCOMPARE(doc["a"].toString(), path("a.btv"));
        const QJsonArray keys = doc["keys"].toArray();
        QCOMPARE(keys.size(), 5);
        const QJsonObject first = keys[0].toObject();
        QCOMPARE(first["col"].toInt(), 0);
        QCOMPARE(first["row"].toInt(), 0);
        QCOMPARE(first["codes"]["a"].toArray().size(), 0);
        QCOMPARE(first["codes"]["b"].toArray(), (QJsonArray{QJsonObject{{"modifiers", 0}, {"code", 4}}}));
        const QJsonObject label = keys[1].toObject();
        QCOMPARE(label["lines"].toArray().first().toObject(),
                 (QJsonObject{{"line", 3}, {"field", "text"}, {"a", "Копировать"}, {"b", ""}}));
        QVERIFY(!label.contains("codes"));
    }

    void againstAKeyboard()
    {
        KeyMapImgClass a;
        fillSomeKeys(a);
        QFile held(path("held.kmp"));
        QVERIFY(held.open(QIODevice::WriteOnly));
        held.write(imageOf(a));
        held.close();
        SimKeyboard sim;
        QVERIFY2(sim.start({"--gap", "30", "--image", path("held.kmp")}), qPrintable(sim.error()));
        const QString port = "port:" + sim.path();
        const ProgramRun same = cli({"diff", path("a.btv"), port, "--read-wait", "300"});
        QVERIFY2(same.status == 0, qPrintable(same.out + same.err));
        const ProgramRun other = cli({"diff", port, path("b.btv"), "--read-wait", "300", "--json", "--keys"});
        QCOMPARE(other.status, 1);
        const QJsonObject doc = QJsonDocument::fromJson(other.outBytes).object();
        QCOMPARE(doc["a"].toString(), port);
        QCOMPARE(doc["keys"].toArray().size(), 2);
    }

    void slotBySlotAsVerifyDoes()
    {
        // Key (13, 6) lives in slots 16, 32 and 73, and decoding keeps slot 73's:
        // only a slot-by-slot comparison sees a keyboard whose slot 16 is wrong.
        KeyMapImgClass a;
        fillSomeKeys(a);
        const QByteArray image = imageOf(a);
        writeAll(path("s.kmp"), image);
        const auto changed = [&](int slot, int byte) {
            QByteArray b = image;
            b[slot * 11 + byte] = char(b[slot * 11 + byte] ^ 0x01);
            b[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(b.constData())));
            return b;
        };
        writeAll(path("s16.kmp"), changed(16, 2));
        writeAll(path("s9.kmp"), changed(9, 10));  // a pair beyond the count of a slot no key uses
        SimKeyboard sim;
        QVERIFY2(sim.start({"--gap", "30", "--keep-wrong", "16"}), qPrintable(sim.error()));
        const QString port = "port:" + sim.path();
        const ProgramRun upload = cli({"upload", path("s.kmp"), "--port", sim.path(), "--verify", "--answer-wait", "300",
                                       "--reboot-wait", "100", "--read-wait", "300"});
        QCOMPARE(upload.status, 1);
        QVERIFY2(upload.err.contains("Сверка не совпала: слот 16 (клавиша (13, 6))"), qPrintable(upload.err));
        const QString slot16 = "Слот 16 (клавиша (13, 6)), коды: 00:28 «Enter» → 00:29 «Escape»\n";
        struct Case {
            QStringList args;
            int status;
            QString says;
        };
        const QList<Case> cases{
            {{path("s.kmp"), path("s16.kmp")}, 1, slot16 + "Контрольная сумма: 0x"},
            {{path("s.kmp"), path("s16.kmp")}, 1, "\nРаскладки различаются: слотов 1.\n"},
            {{path("s.kmp"), path("s16.kmp"), "--keys"}, 0, "Раскладки совпадают.\n"},
            {{path("s.kmp"), path("s9.kmp")}, 1, "Слот 9, коды: нет кодов → нет кодов [за количеством: 00:01]\n"},
            {{path("a.btv"), path("s16.kmp")}, 1, slot16},
            {{path("s.kmp"), port, "--read-wait", "300"}, 1, slot16},
            {{path("s.kmp"), port, "--read-wait", "300", "--keys"}, 0, "Раскладки совпадают.\n"},
        };
        for (const Case& c : cases) {
            const ProgramRun r = cli(QStringList{"diff"} + c.args);
            QVERIFY2(r.status == c.status && r.out.contains(c.says), qPrintable(c.args.join(' ') + "\n" + r.out + r.err));
        }
        const ProgramRun j = cli({"diff", path("s.kmp"), path("s16.kmp"), "--json"});
        const QJsonObject slot = QJsonDocument::fromJson(j.outBytes).object()["slots"].toArray().first().toObject();
        QCOMPARE(slot["slot"].toInt(), 16);
        QCOMPARE(slot["key"].toObject(), (QJsonObject{{"col", 12}, {"row", 5}}));
    }

    void troubleAndUsage()
    {
        QFile bad(path("bad.kmp"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(ImageSize, '\x01'));  // wrong checksum
        bad.close();
        const ProgramRun r = cli({"diff", path("a.btv"), path("bad.kmp")});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("Ошибка контрольной суммы"));
        const ProgramRun gone = cli({"diff", path("a.btv"), "port:" + path("no-such-tty"), "--read-wait", "10"});
        QCOMPARE(gone.status, 2);
        QVERIFY(gone.err.contains("Ошибка открытия порта"));
        const QList<QStringList> usage{{"diff", path("a.btv")},
                                       {"diff", path("a.btv"), path("a.txt")},
                                       {"diff", path("a.btv"), "port:"},
                                       {"diff", path("a.btv"), path("a.kmp"), "--labels"},
                                       {"diff", path("a.btv"), path("b.btv"), "--answer-wait", "10"},
                                       {"diff", path("a.btv"), path("b.btv"), "--bogus"}};
        for (const QStringList& args : usage)
            QVERIFY2(cli(args).status == 2, qPrintable(args.join(' ')));
    }
};

QTEST_GUILESS_MAIN(TestCliDiff)
#include "tst_cli_diff.moc"
