#include "keyimage.h"
#include "serialportlink.h"
#include "tools/simkbdprocess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {
const QStringList Fast{"--gap", "30"};

QByteArray validImage(int seed, uint8_t first = 0, uint8_t second = 0)
{
    QByteArray img(ImageSize, '\0');
    for (int i = 0; i < ImageChecksumOffset; ++i)
        img[i] = char((i * seed) & 0x7F);
    img[0] = char(first);
    img[1] = char(second);
    img[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(img.constData())));
    return img;
}

// Sends `bytes` and returns what the keyboard sent back once `expect` bytes have come,
// or all that came within a limit no loaded machine reaches. Where no answer is
// expected, it listens for ten of the keyboard's gaps: an answer would have begun.
QByteArray exchange(SerialPortLink& link, const QByteArray& bytes, int expect)
{
    link.write(bytes);
    link.drain();
    if (expect == 0) {
        QThread::msleep(300);
        return link.readAll();
    }
    QByteArray got;
    const QDeadlineTimer deadline(15000);
    while ((got += link.readAll()).size() < expect && !deadline.hasExpired())
        QThread::msleep(5);
    return got;
}

const QByteArray ReadRequest = QByteArray::fromHex("42C9");
}  // namespace

class TestSimKeyboard : public QObject
{
    Q_OBJECT
private slots:
    void readRequestReturnsTheImageHeld()
    {
        QTemporaryDir dir;
        const QByteArray img = validImage(3);
        QFile f(dir.filePath("held.kmp"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(img) == ImageSize);
        f.close();
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--image", f.fileName()}), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        QCOMPARE(exchange(link, ReadRequest, ImageSize), img);
    }

    void defaultImageIsAllZeroAndValid()
    {
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        QCOMPARE(exchange(link, ReadRequest, ImageSize), QByteArray(ImageSize, '\0'));
    }

    void uploadIsAnsweredKeptAndSaved()
    {
        QTemporaryDir dir;
        const QString saved = dir.filePath("received.bin");
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--save", saved}), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        // Starts with the bytes of a read request: still an upload, sent as one burst.
        const QByteArray img = validImage(5, 0x42, 0xC9);
        const QByteArray answer = exchange(link, img, 5);
        QCOMPARE(answer.toHex(), (img.right(1) + QByteArray::fromHex("00680000")).toHex());
        QFile f(saved);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), img);
        QCOMPARE(exchange(link, ReadRequest, ImageSize), img);
    }

    void invalidUploadIsEchoedButNotKept()
    {
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        QByteArray img = validImage(9);
        img[ImageChecksumOffset] = char(img[ImageChecksumOffset] ^ 0x01);
        const QByteArray answer = exchange(link, img, 5);
        QCOMPARE(answer.size(), 5);
        // The echo is the checksum the keyboard computed, which the host compares with byte 880.
        QCOMPARE(uint8_t(answer[0]), imageChecksum(reinterpret_cast<const uint8_t*>(img.constData())));
        QVERIFY(answer[0] != img[ImageChecksumOffset]);
        QCOMPARE(exchange(link, ReadRequest, ImageSize), QByteArray(ImageSize, '\0'));
    }

    void keepsSomethingElseThanItAcknowledges()
    {
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--keep-wrong", "12"}), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        const QByteArray img = validImage(6);
        QCOMPARE(exchange(link, img, 5).toHex(), (img.right(1) + QByteArray::fromHex("00680000")).toHex());
        const QByteArray kept = exchange(link, ReadRequest, ImageSize);
        QVERIFY(imageChecksumValid(reinterpret_cast<const uint8_t*>(kept.constData())));
        QCOMPARE(kept.size(), ImageSize);
        // The first code of slot 12 and the checksum differ, nothing else.
        QList<int> differing;
        for (int i = 0; i < ImageSize; ++i)
            if (kept[i] != img[i])
                differing << i;
        QCOMPARE(differing, (QList<int>{12 * 11 + 2, ImageChecksumOffset}));
    }

    void linkComesAndGoesWithTheKeyboard()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("kbd");
        {
            SimKeyboard sim;
            QVERIFY2(sim.start(Fast + QStringList{"--link", link}), qPrintable(sim.error()));
            QCOMPARE(QFileInfo(link).symLinkTarget(), sim.path());
            SerialPortLink port;
            QVERIFY(port.open(link));
            QCOMPARE(exchange(port, ReadRequest, ImageSize).size(), ImageSize);
        }
        QVERIFY(!QFileInfo(link).isSymLink());
        // A link a killed keyboard left behind is taken over.
        QVERIFY(QFile::link(dir.filePath("gone"), link));
        SimKeyboard again;
        QVERIFY2(again.start(Fast + QStringList{"--link", link}), qPrintable(again.error()));
        QCOMPARE(QFileInfo(link).symLinkTarget(), again.path());
    }

    void noiseIsDroppedAfterTheGap()
    {
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        QCOMPARE(exchange(link, QByteArray::fromHex("42C900"), 0), QByteArray());
        QCOMPARE(exchange(link, QByteArray::fromHex("42"), 0), QByteArray());
        QCOMPARE(exchange(link, ReadRequest, ImageSize).size(), ImageSize);
        QVERIFY2(sim.waitForLog("dropped 3 bytes"), qPrintable(sim.log()));
    }

    void badAnswers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("upload");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("intact");  // the first 5 (881) bytes are the good answer
        QTest::newRow("upload none") << QStringList{"--upload-answer", "none"} << true << 0 << false;
        QTest::newRow("upload short") << QStringList{"--upload-answer", "short"} << true << 4 << false;
        QTest::newRow("upload bad-echo") << QStringList{"--upload-answer", "bad-echo"} << true << 5 << false;
        QTest::newRow("upload bad-address") << QStringList{"--upload-answer", "bad-address"} << true << 5 << false;
        QTest::newRow("upload extra") << QStringList{"--upload-answer", "extra"} << true << 8 << true;
        QTest::newRow("read none") << QStringList{"--read-answer", "none"} << false << 0 << false;
        QTest::newRow("read short") << QStringList{"--read-answer", "short"} << false << 880 << false;
        QTest::newRow("read corrupt") << QStringList{"--read-answer", "corrupt"} << false << 881 << false;
        QTest::newRow("read extra") << QStringList{"--read-answer", "extra"} << false << 900 << true;
    }
    void badAnswers()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, upload);
        QFETCH(int, size);
        QFETCH(bool, intact);
        QTemporaryDir dir;
        const QByteArray held = validImage(11);
        QFile f(dir.filePath("held.kmp"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(held) == ImageSize);
        f.close();
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + args + QStringList{"--image", f.fileName()}), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        const QByteArray img = validImage(4);
        const QByteArray good = upload ? img.right(1) + QByteArray::fromHex("00680000") : held;
        const QByteArray answer = exchange(link, upload ? img : ReadRequest, size);
        QCOMPARE(answer.size(), size);
        QCOMPARE(answer.left(good.size()) == good, intact);
        if (args.contains("corrupt"))
            QVERIFY(!imageChecksumValid(reinterpret_cast<const uint8_t*>(answer.constData())));
    }

    void delayedAnswer()
    {
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--delay", "300"}), qPrintable(sim.error()));
        SerialPortLink link;
        QVERIFY(link.open(sim.path()));
        QElapsedTimer t;
        t.start();
        QCOMPARE(exchange(link, validImage(2), 5).size(), 5);
        QVERIFY2(t.elapsed() >= 250, qPrintable(QString::number(t.elapsed())));
    }

    void endsWhenAskedOrOrphaned()
    {
        for (int how = 0; how < 2; ++how) {
            SimKeyboard sim;
            QVERIFY2(sim.start(), qPrintable(sim.error()));
            QElapsedTimer t;
            t.start();
            if (how == 0)
                ::kill(pid_t(sim.process().processId()), SIGTERM);
            else
                sim.process().closeWriteChannel();
            QVERIFY(sim.process().waitForFinished(2000));
            QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
            QCOMPARE(sim.process().exitCode(), 0);
            QVERIFY(t.elapsed() < 1000);
        }
    }

    void refusesBadOptions()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("short.kmp"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(880, '\0')) == 880);
        f.close();
        struct Case {
            QStringList args;
            int code;
            QString says = {};  // at the start of the error output, when given
        };
        const Case cases[] = {{{"--image", f.fileName()}, 1},
                              {{"--image", dir.filePath("missing.kmp")}, 1},
                              {{"--upload-answer", "loud"}, 2},
                              {{"--gap"}, 2, "raskladka-simkbd: option --gap needs a value"},
                              {{"--gap", "-5"}, 2},
                              {{"--vanish-after", "soon"}, 2},
                              {{"--keep-wrong", "80"}, 2},
                              {{"--link", ""}, 2},
                              {{"--bogus", "1"}, 2, "raskladka-simkbd: unknown option: --bogus"},
                              {{"--bogus"}, 2, "raskladka-simkbd: unknown option: --bogus"}};
        for (const Case& c : cases) {
            QProcess p;
            p.start(QStringLiteral(RASKLADKA_SIMKBD), c.args);
            QVERIFY(p.waitForFinished(3000));
            QCOMPARE(p.exitCode(), c.code);
            QVERIFY(p.readAllStandardOutput().isEmpty());  // no port is offered
            const QString err = QString::fromUtf8(p.readAllStandardError());
            QVERIFY2(err.startsWith(c.says), qPrintable(err));
        }
    }
};

QTEST_GUILESS_MAIN(TestSimKeyboard)
#include "tst_simkbd.moc"
