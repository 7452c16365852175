// raskladka-cli programming many keyboards: upload to several ports at once and
// the station mode, against several simulated keyboards.
#include "keyimage.h"
#include "tools/simkbdprocess.h"

#include "testfiles.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <memory>
#include <vector>

#include "programrun.h"

namespace {
const QStringList Fast{"--gap", "30"};
constexpr int AnswerMs = 300;
constexpr int RebootMs = 200;
constexpr int ReadMs = 300;
const QStringList UploadWaits{"--answer-wait", QString::number(AnswerMs), "--reboot-wait", QString::number(RebootMs)};
const QStringList Waits = UploadWaits + QStringList{"--read-wait", QString::number(ReadMs)};
const QString Mark = QStringLiteral("=Magnetic Stripe Reader (simulated)");

QProcessEnvironment withPorts(const QString& extraPorts)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("RASKLADKA_EXTRA_PORTS", extraPorts);
    return env;
}

ProgramRun cli(const QStringList& args, const QString& extraPorts = QString())
{
    return runProgram(QStringLiteral(RASKLADKA_CLI), args, 60000, withPorts(extraPorts));
}

// A keymap whose key (3, 1), in slot 67, sends "C".
QByteArray sampleKeymap()
{
    QByteArray img(ImageSize, '\0');
    img[67 * 11] = 1;
    img[67 * 11 + 2] = 0x06;
    img[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(img.constData())));
    return img;
}

QString writeKeymap(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("layout.kmp");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(sampleKeymap()) != ImageSize)
        return {};
    return path;
}

// The result line printed for `port`, or an empty string.
QString lineFor(const QString& out, const QString& port)
{
    for (const QString& line : out.split('\n'))
        if (line.startsWith(port + ": ") || line.contains(' ' + port + ": "))
            return line;
    return {};
}

double secondsOf(const QString& line)
{
    static const QRegularExpression s(QStringLiteral(", (\\d+\\.\\d) с, контрольная сумма 0x[0-9A-F]{2}"));
    const QRegularExpressionMatch m = s.match(line);
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

// A keyboard plugged in: the simulated one behind a fixed link path.
struct Plugged {
    std::unique_ptr<SimKeyboard> sim;
    bool plugIn(const QString& link, const QStringList& args = {})
    {
        sim = std::make_unique<SimKeyboard>();
        return sim->start(Fast + QStringList{"--link", link} + args) && QFile::exists(link);
    }
    void unplug() { sim.reset(); }
};

// raskladka-cli station, read line by line as it runs.
struct StationRun {
    QProcess proc;
    QString out;
    QString err;

    bool start(const QStringList& args, const QString& extraPorts)
    {
        proc.setProcessEnvironment(withPorts(extraPorts));
        proc.start(QStringLiteral(RASKLADKA_CLI), QStringList{"station"} + args);
        return proc.waitForStarted(5000);
    }
    // Waits until standard output holds `n` lines that mention `text`.
    bool waitForLines(const QString& text, int n, int ms = 15000)
    {
        const QDeadlineTimer deadline(ms);
        while (out.count(text) < n && !deadline.hasExpired()) {
            proc.waitForReadyRead(50);
            take();
        }
        return out.count(text) >= n;
    }
    bool waitForError(const QString& text, int ms = 15000)
    {
        const QDeadlineTimer deadline(ms);
        while (!err.contains(text) && !deadline.hasExpired()) {
            proc.waitForReadyRead(50);
            take();
        }
        return err.contains(text);
    }
    void take()
    {
        out += QString::fromUtf8(proc.readAllStandardOutput());
        err += QString::fromUtf8(proc.readAllStandardError());
    }
    int finish(int ms = 15000)
    {
        const bool done = proc.state() == QProcess::NotRunning || proc.waitForFinished(ms);
        take();
        return done && proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
    }
    ~StationRun()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(3000);
        }
    }
};
}  // namespace

class TestCliBatch : public QObject
{
    Q_OBJECT
private slots:
    void everyKeyboardAtOnce()
    {
        // Three good keyboards among four that fail each their own way: the good ones
        // finish as if alone, the others are named, and the summary counts them.
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        struct Kbd {
            QStringList args;
            QString outcome;
        };
        const std::vector<Kbd> kinds{{{}, "Готово! Сверка совпала."},
                                     {{"--upload-answer", "none"}, "Ответ не получен."},
                                     {{}, "Готово! Сверка совпала."},
                                     {{"--upload-answer", "bad-echo"}, "Ошибка суммы"},
                                     {{"--upload-answer", "bad-address"}, "Ошибка адреса"},
                                     {{"--keep-wrong", "67"}, "Сверка не совпала: слот 67 (клавиша (4, 2))"},
                                     {{}, "Готово! Сверка совпала."}};
        std::vector<std::unique_ptr<SimKeyboard>> sims;
        QStringList args{"upload", kmp, "--verify"};
        for (size_t i = 0; i < kinds.size(); ++i) {
            sims.push_back(std::make_unique<SimKeyboard>());
            const QString saved = dir.filePath(QStringLiteral("got%1.bin").arg(i));
            QVERIFY2(sims.back()->start(Fast + kinds[i].args + QStringList{"--save", saved}), qPrintable(sims.back()->error()));
            args << "--port" << sims.back()->path();
        }
        QElapsedTimer t;
        t.start();
        const ProgramRun r = cli(args + Waits);
        const double wall = t.elapsed() / 1000.0;
        QCOMPARE(r.status, 1);
        QStringList failed;
        double summed = 0;
        for (size_t i = 0; i < kinds.size(); ++i) {
            const QString port = sims[i]->path();
            const QString line = lineFor(r.out, port);
            QVERIFY2(line.startsWith(port + ": " + kinds[i].outcome + ", "), qPrintable(r.out));
            QVERIFY(line.endsWith("контрольная сумма 0x" + sampleKeymap().right(1).toHex().toUpper()));
            QCOMPARE(readAll(dir.filePath(QStringLiteral("got%1.bin").arg(i))), sampleKeymap());
            summed += secondsOf(line);
            if (!kinds[i].outcome.startsWith("Готово!"))
                failed << port;
            else  // all waits, and not much beyond them even on a loaded machine
                QVERIFY2(secondsOf(line) < 5 * (AnswerMs + RebootMs + ReadMs) / 1000.0, qPrintable(line));
        }
        QCOMPARE(r.out.count('\n'), int(kinds.size()) + 1);
        const QString summary = r.out.split('\n', Qt::SkipEmptyParts).last();
        QVERIFY2(summary.startsWith("3 из 7 запрограммированы; не удалось: "), qPrintable(summary));
        QStringList named = summary.section(": ", 1).split(", ");
        named.sort();
        failed.sort();
        QCOMPARE(named, failed);
        // At once, not one after another: however slow the machine, the keyboards' waits overlap.
        QVERIFY2(wall < summed / 2, qPrintable(QString::number(wall) + " s against " + QString::number(summed) + " s"));
    }

    void onePortVerifiedWithTheLoadersLog()
    {
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        for (const bool keepsIt : {true, false}) {
            SimKeyboard sim;
            QVERIFY2(sim.start(Fast + (keepsIt ? QStringList{} : QStringList{"--keep-wrong", "5"})), qPrintable(sim.error()));
            const ProgramRun r = cli(QStringList{"upload", kmp, "--port", sim.path(), "--verify"} + Waits);
            QCOMPARE(r.status, keepsIt ? 0 : 1);
            QVERIFY(r.out.isEmpty());
            const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
            // The upload's log, the read-back's log, then the verdict.
            QVERIFY(lines.indexOf("Готово!") < lines.indexOf("Раскладка получена."));
            QCOMPARE(lines.last(), keepsIt ? QStringLiteral("Сверка совпала.")
                                           : QStringLiteral("Сверка не совпала: слот 5 (клавиша (2, 4))"));
        }
    }

    void allPortsFindsThePresentKeyboards()
    {
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        std::vector<std::unique_ptr<SimKeyboard>> sims;
        QStringList extra;
        for (int i = 0; i < 3; ++i) {
            sims.push_back(std::make_unique<SimKeyboard>());
            QVERIFY2(sims.back()->start(Fast), qPrintable(sims.back()->error()));
            extra << sims.back()->path() + Mark;
        }
        // Not a keyboard, and a keyboard that is not plugged in: neither is tried.
        extra << "/dev/null=Modem" << dir.filePath("absent") + Mark;
        // The first one also named through a link of its own: still one keyboard, programmed once.
        QVERIFY(QFile::link(sims.front()->path(), dir.filePath("first")));
        const ProgramRun r = cli(QStringList{"upload", kmp, "--port", dir.filePath("first"), "--all-ports"} + UploadWaits,
                                 extra.join(';'));
        QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts).last(), QStringLiteral("3 из 3 запрограммированы"));
        QVERIFY(lineFor(r.out, dir.filePath("first")).startsWith(dir.filePath("first") + ": Готово!, "));
        for (size_t i = 1; i < sims.size(); ++i)
            QVERIFY(lineFor(r.out, sims[i]->path()).startsWith(sims[i]->path() + ": Готово!, "));
        QVERIFY(!r.out.contains("absent") && !r.out.contains("/dev/null"));

        const ProgramRun none = cli({"upload", kmp, "--all-ports"}, "/dev/null=Modem");
        QCOMPARE(none.status, 1);
        QVERIFY(none.err.contains("Порт загрузки не обнаружен"));
    }

    void keyboardsThatVanish()
    {
        // One goes while the host is still writing, one while it waits for the
        // answer, one during its restart never to come back; the other is not held up.
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        struct Kbd {
            QStringList args;
            QString outcome;
        };
        const std::vector<Kbd> kinds{
            {{"--stall", "--vanish-after", "150"}, "Клавиатура отключена во время передачи, "},
            {{"--upload-answer", "none", "--vanish-after", "100"}, "Клавиатура отключена во время передачи, "},
            {{"--restart-vanish", "never"}, "Клавиатура не вернулась после перезапуска, "},
            {{}, "Готово! Сверка совпала."}};
        std::vector<std::unique_ptr<SimKeyboard>> sims;
        QStringList args{"upload", kmp, "--verify"};
        for (const Kbd& k : kinds) {
            sims.push_back(std::make_unique<SimKeyboard>());
            QVERIFY2(sims.back()->start(Fast + k.args), qPrintable(sims.back()->error()));
            args << "--port" << sims.back()->path();
        }
        const ProgramRun r = cli(args + Waits);
        QCOMPARE(r.status, 1);
        for (size_t i = 0; i < kinds.size(); ++i)
            QVERIFY2(lineFor(r.out, sims[i]->path()).startsWith(sims[i]->path() + ": " + kinds[i].outcome),
                     qPrintable(r.out));
        for (int i : {0, 1})  // at once, not when the answer was due
            QVERIFY(secondsOf(lineFor(r.out, sims[i]->path())) < AnswerMs / 1000.0);
        QVERIFY(r.out.contains("1 из 4 запрограммирована; не удалось: "));
    }

    void stationProgramsEachKeyboardAsItComes()
    {
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        const QString csv = dir.filePath("log.csv");
        QStringList links;
        QStringList extra;
        for (int i = 1; i <= 3; ++i) {
            links << dir.filePath(QStringLiteral("kbd%1").arg(i));
            extra << links.last() + Mark;
        }
        StationRun station;
        QVERIFY(station.start(QStringList{kmp, "--verify", "--count", "4", "--log", csv} + Waits, extra.join(';')));
        Plugged kbd[3];
        // One after another, each staying plugged in while the next comes.
        for (int i = 0; i < 3; ++i) {
            QVERIFY(kbd[i].plugIn(links[i]));
            QVERIFY2(station.waitForLines(links[i] + ": ", 1), qPrintable(station.out + station.err));
        }
        // Two more polls: nobody is programmed twice while plugged in.
        QTest::qWait(1200);
        station.take();
        for (const QString& link : links)
            QCOMPARE(station.out.count(link + ": "), 1);
        // Out and in again: programmed again, and that is the fourth. Out for five of the
        // station's looks, so that it has seen the socket empty.
        kbd[1].unplug();
        QTest::qWait(2500);
        QVERIFY(kbd[1].plugIn(links[1]));
        const int status = station.finish();
        QVERIFY2(status == 0, qPrintable(station.out + station.err));
        QCOMPARE(station.out.count(links[1] + ": "), 2);
        for (const QString& link : links)
            QVERIFY2(lineFor(station.out, link).contains(": Готово! Сверка совпала., "), qPrintable(station.out));
        QVERIFY(station.out.contains("[запрограммированы 4, не удалось 0]"));
        QVERIFY(station.out.endsWith("Итого: запрограммированы 4, не удалось 0\n"));
        for (int i : {0, 2}) {
            QVERIFY(kbd[i].sim->waitForLog("read request"));
            QCOMPARE(kbd[i].sim->log().count("upload of"), 1);
        }

        const QStringList rows = QString::fromUtf8(readAll(csv)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.first(), QStringLiteral("time,port,result,checksum,seconds,verified,layout,device,serial,tile,"
                                              "host,time_utc_offset"));
        const QStringList order{links[0], links[1], links[2], links[1]};
        // The old six columns first, then the layout, the device, no serial number and no
        // tile for simulated keyboards on the command line, the host and the time with its offset.
        const QRegularExpression row(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d,([^,]+),Готово! Сверка совпала\\.,"
                                                    "0x([0-9A-F]{2}),\\d+\\.\\d,да,%1,[^,]*,,,%2,"
                                                    "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d([+-]\\d\\d:\\d\\d|Z)$")
                                         .arg(QRegularExpression::escape(QFileInfo(kmp).fileName()),
                                              QRegularExpression::escape(QSysInfo::machineHostName())));
        for (int i = 0; i < 4; ++i) {
            const QRegularExpressionMatch m = row.match(rows[i + 1]);
            QVERIFY2(m.hasMatch(), qPrintable(rows[i + 1]));
            QCOMPARE(m.captured(1), order[i]);
            QCOMPARE(m.captured(2), QString(sampleKeymap().right(1).toHex().toUpper()));
        }
    }

    void stationStopsOnCtrlCOnceTransfersEnd()
    {
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        const QString csv = dir.filePath("log.csv");
        const QString link = dir.filePath("kbd");
        StationRun station;
        QVERIFY(station.start(QStringList{kmp, "--no-verify", "--log", csv, "--answer-wait", "600", "--reboot-wait", "100"},
                              link + Mark));
        Plugged kbd;
        QVERIFY(kbd.plugIn(link, {"--upload-answer", "bad-address"}));
        QDeadlineTimer deadline(10000);
        while (!station.err.contains("клавиатура подключена") && !deadline.hasExpired()) {
            station.proc.waitForReadyRead(50);
            station.take();
        }
        ::kill(pid_t(station.proc.processId()), SIGINT);
        // The transfer in flight ends first, with its line, its row and the tally.
        QCOMPARE(station.finish(), 1);
        QVERIFY2(lineFor(station.out, link).contains(": Ошибка адреса, "), qPrintable(station.out));
        QVERIFY(station.out.endsWith("Итого: запрограммированы 0, не удалось 1\n"));
        const QStringList rows = QString::fromUtf8(readAll(csv)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(rows[1].contains("," + link + ",Ошибка адреса,0x"), qPrintable(rows[1]));
        QCOMPARE(rows[1].split(',').value(5), QStringLiteral("не сверялась"));
    }

    void stationFollowsEachSocket()
    {
        // A keyboard in each case, and maybe one that takes its place while the
        // first is in a given stage: every keyboard gets its row, none is skipped,
        // none is programmed twice while it stays.
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        QByteArray other = sampleKeymap();
        other[67 * 11 + 2] = 0x07;
        other[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(other.constData())));
        writeAll(dir.filePath("other.kmp"), other);
        const QString replaced = "Готово! Клавиатура заменена во время перезапуска";
        struct Case {
            QStringList station;
            QStringList first;
            QString swapAt;  // what the first keyboard says before it is swapped; empty: no swap
            int swapAfterMs;  // and how long after
            QStringList second;
            QStringList rows;  // the outcomes, in order
            int firstUploads;
            int secondUploads;
        };
        // Into the restart, or the answer wait: each is long enough that a loaded
        // machine still lands well inside it.
        const QStringList intoRestart{"--answer-wait", "300", "--reboot-wait", "8000"};
        const QList<Case> cases{
            {{"--no-verify", "--answer-wait", "10000", "--reboot-wait", "200"}, {"--upload-answer", "none"}, "upload of",
             200, {}, {"Клавиатура отключена во время передачи", "Готово!"}, 1, 1},
            {QStringList{"--verify"} + Waits, {"--restart-vanish", "500"}, {}, 0, {}, {"Готово! Сверка совпала."}, 1, 0},
            {QStringList{"--verify", "--read-wait", "300"} + intoRestart, {}, "upload of", 1500, {"--image", dir.filePath("other.kmp")},
             {replaced, "Готово! Сверка совпала."}, 1, 1},
            {QStringList{"--no-verify"} + intoRestart, {}, "upload of", 1500, {"--image", dir.filePath("other.kmp")},
             {replaced, ",Готово!,"}, 1, 1},
        };
        for (const Case& c : cases) {
            const QString link = dir.filePath("kbd");
            const QString csv = dir.filePath("log.csv");
            QFile::remove(csv);
            StationRun station;
            QVERIFY(station.start(QStringList{kmp, "--log", csv} + c.station, link + Mark));
            Plugged first;
            Plugged second;
            QVERIFY(first.plugIn(link, c.first));
            if (!c.swapAt.isEmpty()) {
                QVERIFY2(first.sim->waitForLog(c.swapAt, 10000), qPrintable(first.sim->log() + station.err));
                QTest::qWait(c.swapAfterMs);
                first.unplug();
                QVERIFY(second.plugIn(link, c.second));
            }
            QVERIFY2(station.waitForLines(link + ": ", int(c.rows.size()), 60000), qPrintable(station.out + station.err));
            QTest::qWait(1500);  // nothing more comes of it
            ::kill(pid_t(station.proc.processId()), SIGINT);
            station.finish();
            const QStringList rows = QString::fromUtf8(readAll(csv)).split('\n', Qt::SkipEmptyParts).mid(1);
            QCOMPARE(rows.size(), c.rows.size());
            for (int i = 0; i < rows.size(); ++i)
                QVERIFY2(rows[i].contains("," + link + ",") && rows[i].contains(c.rows[i]), qPrintable(rows[i]));
            if (first.sim) {
                first.sim->waitForLog("upload of");
                QCOMPARE(int(first.sim->log().count("upload of")), c.firstUploads);
            }
            if (second.sim) {
                second.sim->waitForLog("upload of", 200);
                QCOMPARE(int(second.sim->log().count("upload of")), c.secondUploads);
            }
        }
    }

    void badInputTheSameEverywhere()
    {
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        const QString fifo = dir.filePath("pipe.kmp");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        writeAll(dir.filePath("short.kmp"), sampleKeymap().left(880));
        const QString out = dir.filePath("out.json");
        const QList<QPair<QString, QString>> inputs{{fifo, "это не обычный файл"},
                                                    {dir.filePath("short.kmp"), "в файле 880 байт, карта сканкодов"}};
        for (const auto& [file, why] : inputs) {
            const QList<QStringList> commands{{"info", file}, {"dump", file}, {"convert", file, out},
                                              {"diff", file, kmp}, {"upload", file, "--port", dir.filePath("none")},
                                              {"station", file}, {"print", file, "--sheet", "codes", "-o", out + ".pdf"}};
            for (const QStringList& args : commands) {
                const ProgramRun r = cli(args);
                QVERIFY2(r.status == 1 || (args[0] == "diff" && r.status == 2), qPrintable(args.join(' ') + r.err));
                QVERIFY2(r.err.contains(why), qPrintable(args.join(' ') + ": " + r.err));
            }
        }

        // One device under two names: programmed once.
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast), qPrintable(sim.error()));
        const QString bare = sim.path().mid(5);  // "pts/N"
        const ProgramRun twice = cli(QStringList{"upload", kmp, "--port", bare, "--port", sim.path()} + UploadWaits);
        QVERIFY2(twice.status == 0, qPrintable(twice.out + twice.err));
        QVERIFY(sim.waitForLog("upload of"));
        QTest::qWait(300);
        sim.waitForLog("never said", 100);
        QCOMPARE(int(sim.log().count("upload of")), 1);

        // A log whose last row lacks its end, then a second Ctrl-C while a keyboard is in flight.
        const QString csv = dir.filePath("log.csv");
        writeAll(csv, "time,port,result,checksum,seconds,verified\nearlier row");
        const QString link = dir.filePath("kbd");
        StationRun station;
        QVERIFY(station.start({kmp, "--log", csv, "--answer-wait", "5000"}, link + Mark));
        Plugged kbd;
        QVERIFY(kbd.plugIn(link, {"--upload-answer", "none"}));
        QVERIFY(kbd.sim->waitForLog("upload of", 10000));
        ::kill(pid_t(station.proc.processId()), SIGINT);
        QVERIFY2(station.waitForError("остановка: "), qPrintable(station.err));
        ::kill(pid_t(station.proc.processId()), SIGINT);
        QCOMPARE(station.finish(3000), 1);
        QVERIFY2(lineFor(station.out, link).contains(": прервано, "), qPrintable(station.out));
        const QStringList rows = QString::fromUtf8(readAll(csv)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[1], QStringLiteral("earlier row"));
        QVERIFY2(rows[2].contains("," + link + ",прервано,0x"), qPrintable(rows[2]));
    }

    void usageErrors()
    {
        QTemporaryDir dir;
        const QString kmp = writeKeymap(dir);
        const QList<QStringList> cases{{"upload", kmp, "--port"},
                                       {"upload", kmp, "--port", "a", "--port"},
                                       {"upload", kmp, "--read-wait", "100"},
                                       {"station"},
                                       {"station", kmp, "--count", "0"},
                                       {"station", kmp, "--count", "many"},
                                       {"station", kmp, "--port", "/dev/ttyACM0"},
                                       {"station", kmp, "--log"},
                                       {"station", dir.filePath("layout.txt")}};
        for (const QStringList& args : cases)
            QVERIFY2(cli(args).status == 2, qPrintable(args.join(' ')));
        const ProgramRun badLog = cli({"station", kmp, "--log", dir.filePath("no/such/dir/log.csv")});
        QCOMPARE(badLog.status, 1);
    }
};

QTEST_GUILESS_MAIN(TestCliBatch)
#include "tst_cli_batch.moc"
