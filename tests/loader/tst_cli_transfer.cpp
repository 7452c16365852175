// raskladka-cli upload, read and ports against the simulated keyboard.
#include "buttonviewfile.h"
#include "keymapimgclass.h"
#include "layoutsource.h"
#include "tools/simkbdprocess.h"

#include "plainuser.h"
#include "testfiles.h"
#include "transferresult.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "programrun.h"

namespace {
const QStringList Fast{"--gap", "30"};
// Long enough for a simulated keyboard on a loaded machine to answer within.
const QStringList UploadWaits{"--answer-wait", "1000", "--reboot-wait", "100"};
const QStringList ReadWaits{"--read-wait", "1000"};

using Result = ProgramRun;

Result cli(const QStringList& args, const QString& extraPorts = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("RASKLADKA_EXTRA_PORTS", extraPorts);
    return runProgram(QStringLiteral(RASKLADKA_CLI), args, 30000, env);
}

void fillSomeKeys(KeyMapImgClass& m)
{
    TKeyMap a;
    a.count = 2;
    a.pairs[0] = {0, 0xE0};  // the image gets the mask 0x01 for it
    a.pairs[1] = {0, 0x06};
    m.setKeyMap(3, 1, a);
    TKeyMap b;
    b.count = 1;
    b.pairs[0] = {0, 0x2C};
    m.setKeyMap(12, 3, b);
    m.setBtnName(3, 1, 2, QStringLiteral("Копировать"));
}

QByteArray imageOf(const KeyMapImgClass& m)
{
    return QByteArray(reinterpret_cast<const char*>(m.image()), ImageSize);
}

// A valid keymap file's bytes with some keys set.
QByteArray sampleKeymap()
{
    KeyMapImgClass m;
    fillSomeKeys(m);
    m.makeImage();
    return imageOf(m);
}
}  // namespace

class TestCliTransfer : public QObject
{
    Q_OBJECT
private slots:
    void ports()
    {
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast), qPrintable(sim.error()));
        const Result listed = cli({"ports"}, sim.path() + "=Magnetic Stripe Reader (simulated);/dev/null=Modem");
        QCOMPARE(listed.status, 0);
        QVERIFY(listed.out.contains(sim.path() + "\tMagnetic Stripe Reader (simulated)\n"));
        QVERIFY(!listed.out.contains("Modem"));
        const Result all = cli({"ports", "--all"}, sim.path() + "=Magnetic Stripe Reader (simulated);/dev/null=Modem");
        QCOMPARE(all.status, 0);
        QVERIFY(all.out.contains("/dev/null\tModem\n"));
        const Result none = cli({"ports"}, "/dev/null=magnetic stripe reader");
        QCOMPARE(none.status, 1);
        QVERIFY(none.err.contains("Порт загрузки не обнаружен"));
        QCOMPARE(cli({"ports", "extra"}).status, 2);
    }

    void uploadKeymapFileAsItIs()
    {
        QTemporaryDir dir;
        const QString received = dir.filePath("received.bin");
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--save", received}), qPrintable(sim.error()));
        // A keymap whose slot 73 differs from slots 16 and 32: the editor would rebuild
        // it, the upload of a .kmp sends it as it stands, without the tail after its 881 bytes.
        QByteArray kmp = sampleKeymap();
        kmp[73 * 11] = 1;
        kmp[73 * 11 + 2] = 0x1E;
        kmp[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(kmp.constData())));
        writeAll(dir.filePath("layout.kmp"), kmp + QByteArray(19, '\xFF'));
        const Result r = cli(QStringList{"upload", dir.filePath("layout.kmp"), "--port", sim.path()} + UploadWaits);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(readAll(received), kmp);
        const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.contains("Загрузка: 100%"));
        const QStringList tail{"Таймаут истек.",
                               "Порт Закрыт.",
                               "Ответ принят.",
                               "Контрольная сумма совпала.",
                               "Адрес раскладки совпал.",
                               "Ожидание перезагрузки клавиатуры",
                               "Готово!"};
        QCOMPARE(lines.mid(lines.size() - tail.size()), tail);
        QVERIFY(!r.err.contains("00 00 00 "));  // no dump unless asked
        const Result verbose =
            cli(QStringList{"upload", dir.filePath("layout.kmp"), "--port", sim.path(), "-v"} + UploadWaits);
        QCOMPARE(verbose.status, 0);
        QCOMPARE(verbose.err.count(QRegularExpression("^([0-9A-F]{2} ){11}$", QRegularExpression::MultilineOption)), 80);
    }

    void uploadButtonViewRebuildsTheImage()
    {
        QTemporaryDir dir;
        const QString received = dir.filePath("received.bin");
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--save", received}), qPrintable(sim.error()));
        KeyMapImgClass m;
        fillSomeKeys(m);
        QVERIFY(saveButtonViewFile(m, dir.filePath("layout.btv")));
        // The default port: the first keyboard port offered.
        const Result r = cli(QStringList{"upload", dir.filePath("layout.btv")} + UploadWaits,
                             sim.path() + "=Magnetic Stripe Reader (simulated)");
        QVERIFY2(r.status == 0, qPrintable(r.err));
        m.makeImage();
        QCOMPARE(readAll(received), imageOf(m));
        // Key (3, 1) sits in slot 67; its Left Ctrl went out with its mask filled in.
        QCOMPARE(KeySlots[67].col, uint8_t(3));
        QCOMPARE(KeySlots[67].row, uint8_t(1));
        QCOMPARE(readAll(received).mid(67 * 11, 5), QByteArray::fromHex("0201E00006"));
    }

    void uploadFailures_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("line");
        QTest::newRow("none") << "none" << "Ответ не получен.";
        QTest::newRow("short") << "short" << "Ответ не получен.";
        QTest::newRow("bad-echo") << "bad-echo" << "Ошибка суммы";
        QTest::newRow("bad-address") << "bad-address" << "Ошибка адреса";
    }
    void uploadFailures()
    {
        QFETCH(QString, mode);
        QFETCH(QString, line);
        QTemporaryDir dir;
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--upload-answer", mode}), qPrintable(sim.error()));
        writeAll(dir.filePath("layout.kmp"), sampleKeymap());
        const Result r = cli(QStringList{"upload", dir.filePath("layout.kmp"), "--port", sim.path()} + UploadWaits);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.split('\n').contains(line), qPrintable(r.err));
        QVERIFY(!r.err.contains("Готово!"));
        QVERIFY(r.err.contains("раскладка не загружена"));
    }

    void unpluggedDuringTheUpload()
    {
        // The keyboard takes nothing, then goes away while the host is writing: the
        // refused write is reported at once, not after an answer wait.
        QTemporaryDir dir;
        SimKeyboard sim;
        // The port is named by the keyboard's link, which it removes itself before
        // it lets go of the terminal; the terminal's own node goes later, when the
        // kernel gets round to it, and may by then be another test's.
        const QString link = dir.filePath("ttyKBD");
        QVERIFY2(sim.start(Fast + QStringList{"--stall", "--vanish-after", "200", "--link", link}),
                 qPrintable(sim.error()));
        writeAll(dir.filePath("layout.kmp"), sampleKeymap());
        QElapsedTimer t;
        t.start();
        const Result r = cli({"upload", dir.filePath("layout.kmp"), "--port", link, "--answer-wait", "30000"});
        QCOMPARE(r.status, 1);
        QVERIFY(t.elapsed() < 15000);
        QCOMPARE(r.err.split('\n', Qt::SkipEmptyParts),
                 (QStringList{"Порт открыт.", "Ошибка записи в порт", "Порт Закрыт.", link + ": Input/output error",
                              "raskladka-cli: раскладка не загружена"}));
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(sim.process().waitForFinished(5000));  // it went by itself
        QCOMPARE(sim.process().exitCode(), 0);
    }

    void invalidFilesAreNotSent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QByteArray badSum = sampleKeymap();
        badSum[ImageChecksumOffset] = char(badSum[ImageChecksumOffset] ^ 0x01);
        QByteArray badCount = sampleKeymap();
        badCount[40 * 11] = 6;
        badCount[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(badCount.constData())));
        QTest::newRow("checksum") << badSum << "Ошибка контрольной суммы";
        QTest::newRow("880 bytes") << sampleKeymap().left(880) << "Ошибка в формате файла";
        QTest::newRow("checksum, 882 bytes") << (badSum + QByteArray(1, '\0')) << "Ошибка контрольной суммы";
        QTest::newRow("6 codes") << badCount << "Неверное количество сканкодов на кнопке";
    }
    void invalidFilesAreNotSent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString received = dir.filePath("received.bin");
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--save", received}), qPrintable(sim.error()));
        writeAll(dir.filePath("bad.kmp"), bytes);
        const Result r = cli(QStringList{"upload", dir.filePath("bad.kmp"), "--port", sim.path()} + UploadWaits);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!r.err.contains("Порт открыт."));
        QVERIFY(!QFile::exists(received));
    }

    void readIntoEachKind()
    {
        QTemporaryDir dir;
        const QByteArray held = sampleKeymap();
        writeAll(dir.filePath("held.kmp"), held);
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--image", dir.filePath("held.kmp")}), qPrintable(sim.error()));
        KeyMapImgClass expected;
        expected.decodeImageReplacing(reinterpret_cast<const uint8_t*>(held.constData()));
        for (const QString name : {"out.kmp", "out.btv", "out.json"}) {
            const QString out = dir.filePath(name);
            const Result r = cli(QStringList{"read", "--port", sim.path()} + ReadWaits + QStringList{out});
            QVERIFY2(r.status == 0, qPrintable(name + ": " + r.err));
            QVERIFY(r.err.contains("Раскладка получена."));
            if (name == QLatin1String("out.kmp"))
                QCOMPARE(readAll(out), held);
            const LayoutFile back = loadLayoutFile(out);
            QVERIFY2(back.valid(), qPrintable(back.problems.join("; ")));
            for (int col = 0; col < KeyCols; ++col)
                for (int row = 0; row < KeyRows; ++row) {
                    QCOMPARE(back.model->getKeyMap(col, row), expected.getKeyMap(col, row));
                    QCOMPARE(back.model->getBtnName(col, row, 0), expected.getBtnName(col, row, 0));
                }
        }
    }

    void failedReadWritesNothing_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("line");
        QTest::newRow("none") << "none" << "Не удалось выгрузить раскладку.";
        QTest::newRow("short") << "short" << "Не удалось выгрузить раскладку.";
        QTest::newRow("corrupt") << "corrupt" << "Ошибка контрольной суммы.";
    }
    void failedReadWritesNothing()
    {
        QFETCH(QString, mode);
        QFETCH(QString, line);
        QTemporaryDir dir;
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--read-answer", mode}), qPrintable(sim.error()));
        const QString fresh = dir.filePath("new.kmp");
        const QString existing = dir.filePath("old.btv");
        writeAll(existing, "previous contents");
        for (const QString& out : {fresh, existing}) {
            const Result r = cli(QStringList{"read", "--port", sim.path()} + ReadWaits + QStringList{out});
            QCOMPARE(r.status, 1);
            QVERIFY2(r.err.split('\n').contains(line), qPrintable(r.err));
            QVERIFY(r.err.contains("не записан"));
        }
        QVERIFY(!QFile::exists(fresh));
        QCOMPARE(readAll(existing), QByteArray("previous contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.btv"});
    }

    void readRefusesAnImageWithTooManyCodesForALayout()
    {
        // The checksum is fine but slot 40 claims 6 codes: a .kmp keeps the bytes (with a
        // warning), a .btv would hold only half the layout and is not written.
        QTemporaryDir dir;
        QByteArray held = sampleKeymap();
        held[40 * 11] = 6;
        held[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(held.constData())));
        writeAll(dir.filePath("held.kmp"), held);
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--image", dir.filePath("held.kmp")}), qPrintable(sim.error()));
        const Result kmp = cli(QStringList{"read", "--port", sim.path()} + ReadWaits + QStringList{dir.filePath("a.kmp")});
        QCOMPARE(kmp.status, 0);
        QVERIFY(kmp.err.contains("Неверное количество сканкодов на кнопке: слот 40"));
        QCOMPARE(readAll(dir.filePath("a.kmp")), held);
        const Result btv = cli(QStringList{"read", "--port", sim.path()} + ReadWaits + QStringList{dir.filePath("a.btv")});
        QCOMPARE(btv.status, 1);
        QVERIFY(btv.err.contains("Неверное количество сканкодов на кнопке: слот 40"));
        QVERIFY(!QFile::exists(dir.filePath("a.btv")));
    }

    void usageAndPortErrors()
    {
        QTemporaryDir dir;
        writeAll(dir.filePath("ok.kmp"), sampleKeymap());
        const QString kmp = dir.filePath("ok.kmp");
        QCOMPARE(cli({"upload"}).status, 2);
        QCOMPARE(cli({"upload", kmp, kmp}).status, 2);
        QCOMPARE(cli({"upload", dir.filePath("x.txt")}).status, 2);
        QCOMPARE(cli({"upload", kmp, "--answer-wait", "soon"}).status, 2);
        QCOMPARE(cli({"upload", kmp, "--port"}).status, 2);
        QCOMPARE(cli({"upload", kmp, "--read-wait", "100"}).status, 2);
        QCOMPARE(cli({"read"}).status, 2);
        QCOMPARE(cli({"read", dir.filePath("out.txt")}).status, 2);
        QCOMPARE(cli({"read", dir.filePath("out.kmp"), "--reboot-wait", "1"}).status, 2);

        const Result noPort = cli({"upload", kmp}, "");
        QCOMPARE(noPort.status, 1);
        QVERIFY(noPort.err.contains("Порт загрузки не обнаружен"));
        const Result missing = cli({"upload", kmp, "--port", dir.filePath("no-such-tty")});
        QCOMPARE(missing.status, 1);
        QVERIFY(missing.err.contains("Ошибка открытия порта"));
        const Result readMissing = cli({"read", "--port", dir.filePath("no-such-tty"), dir.filePath("out.kmp")});
        QCOMPARE(readMissing.status, 1);
        QVERIFY(readMissing.err.contains("Ошибка открытия порта"));
        QVERIFY(!QFile::exists(dir.filePath("out.kmp")));
        // A file where the port should be: said in words of ours.
        const Result notTty = cli({"upload", kmp, "--port", kmp});
        QCOMPARE(notTty.status, 1);
        QVERIFY2(notTty.err.contains(kmp + ": это не последовательный порт"), qPrintable(notTty.err));
    }

    // A device closed to this user says what to do, in the loader's log and in the station's
    // verdict; a port another program holds is no matter of rights.
    void portRefusals_data()
    {
        QTest::addColumn<QStringList>("args");  // %P the port, %D a folder for everyone
        QTest::addColumn<QString>("said");
        const QString hint = QString::fromUtf16(PortAccessText);
        QTest::newRow("upload") << QStringList{"upload", "%D/a.kmp", "--port", "%P"} << "\n%P: " + hint + "\n";
        QTest::newRow("read") << QStringList{"read", "--port", "%P", "%D/b.kmp"} << "\n%P: " + hint + "\n";
        QTest::newRow("station") << QStringList{"upload", "%D/a.kmp", "--port", "%P", "--port", "%D/c"}
                                 << "\n%P: Ошибка открытия порта (" + hint + "), ";
        QTest::newRow("held") << QStringList{"upload", "%D/a.kmp", "--port", "%P"} << "\n%P: нет доступа к порту\n";
    }

    void portRefusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, said);
        const bool held = QTest::currentDataTag() == QByteArray("held");
        QTemporaryDir dir;
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
        writeAll(dir.filePath("a.kmp"), sampleKeymap());
        SimKeyboard sim;
        QVERIFY(sim.start(Fast + QStringList{"--read-answer", "none"}));
        QProcess holder;  // says that it opened the port, then waits for an image that does not come
        holder.setReadChannel(QProcess::StandardError);
        if (held)
            holder.start(RASKLADKA_CLI, {"read", "--port", sim.path(), "--read-wait", "20000", dir.filePath("h.kmp")});
        // Root opens any device: the one refused is a plain user.
        QVERIFY(held ? holder.waitForReadyRead(10000) : ::chmod(QFile::encodeName(sim.path()).constData(), 0) == 0);
        const auto fill = [&](QString t) { return t.replace("%P", sim.path()).replace("%D", dir.path()); };
        const QStringList command = (held ? PlainUser() : PlainUser::get())
                                        .wrap(QStringList{PlainUser::copyProgram(RASKLADKA_CLI, dir.path())} +
                                              fill(args.join('\n')).split('\n'));
        const ProgramRun r = runProgram(command.first(), command.mid(1), 30000);
        holder.kill();
        holder.waitForFinished();
        const QString printed = "\n" + r.err + r.out;
        QVERIFY2(r.status == 1 && printed.contains(fill(said)), qPrintable(printed));
    }
};

QTEST_GUILESS_MAIN(TestCliTransfer)
#include "tst_cli_transfer.moc"
