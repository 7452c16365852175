// The loader dialog against the simulated keyboard over a real pseudo-terminal
// and the real serial port code.
#include "dialog_comport.h"
#include "keymapimgclass.h"
#include "tools/simkbdprocess.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <algorithm>

namespace {
// Waits a keyboard on a loaded machine still answers within; the host's own time is
// measured apart from them.
constexpr LoaderTimings Waits{50, 1000, 100, 1000};
const QStringList Fast{"--gap", "30"};

void fillSomeKeys(KeyMapImgClass& m)
{
    TKeyMap a;
    a.count = 1;
    a.pairs[0] = {0, 0x04};
    m.setKeyMap(0, 0, a);
    TKeyMap b;
    b.count = 3;
    b.pairs[0] = {0, 0xE1};
    b.pairs[1] = {0, 0x05};
    b.pairs[2] = {0, 0x28};
    m.setKeyMap(12, 5, b);
    TKeyMap c;
    c.count = 2;
    c.pairs[0] = {0, 0x3A};
    c.pairs[1] = {0, 0x3B};
    m.setKeyMap(7, 2, c);
}

QByteArray imageOf(const KeyMapImgClass& m)
{
    return QByteArray(reinterpret_cast<const char*>(m.image()), ImageSize);
}

// One dialog run: open the port, press the transfer button, wait for the end.
struct Run {
    QStringList log;
    QString buttonText;
    bool ok = false;
    bool finished = false;
    qint64 sendMs = 0;   // inside the transfer button's handler: writes and drain
    qint64 totalMs = 0;  // button press to the end of the transfer
};

Run transfer(Dialog_COMport& d)
{
    Run r;
    auto* machine = d.findChild<LoaderMachine*>();
    auto* port = d.findChild<QPushButton*>("pushButton");
    auto* load = d.findChild<QPushButton*>("Load_pushButton");
    QEventLoop loop;
    QObject::connect(machine, &LoaderMachine::transferFinished, &loop, [&](bool ok) {
        r.ok = ok;
        r.finished = true;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    port->click();
    QElapsedTimer t;
    t.start();
    load->click();
    r.sendMs = t.elapsed();
    if (!r.finished)
        loop.exec();
    r.totalMs = t.elapsed();
    r.log = d.findChild<QTextBrowser*>("textBrowser")->toPlainText().split('\n');
    r.buttonText = load->text();
    return r;
}

qint64 median(QList<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

// The program's own port source, with the simulated keyboard named in the environment.
void offer(const SimKeyboard& sim)
{
    qputenv("RASKLADKA_EXTRA_PORTS", (sim.path() + "=Magnetic Stripe Reader (simulated)").toUtf8());
}
}  // namespace

class TestLoaderEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void uploadThenReadBackIntoTheModel()
    {
        QTemporaryDir dir;
        const QString received = dir.filePath("received.bin");
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--save", received}), qPrintable(sim.error()));
        offer(sim);

        KeyMapImgClass model;
        fillSomeKeys(model);
        model.makeImage();
        {
            Dialog_COMport d(nullptr, nullptr, Waits);
            QCOMPARE(d.findChild<QComboBox*>("portBox")->currentText(), sim.path());
            d.setImage(model.image());
            d.show();
            const Run r = transfer(d);
            QVERIFY2(r.ok, qPrintable(r.log.join('\n')));
            QCOMPARE(r.log.last(), QStringLiteral("Готово!"));
            QCOMPARE(r.buttonText, QStringLiteral("OK!"));
        }
        QFile f(received);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), imageOf(model));

        // Read it back into a fresh model, as the main window does on "KEYMAPREADOK".
        KeyMapImgClass other;
        Dialog_COMport d(nullptr, nullptr, Waits);
        d.setImage(other.image());
        d.setmode(1);
        QStringList messages;
        connect(&d, &Dialog_COMport::sendmsg, this, [&](const QString& m) {
            messages << m;
            other.decodeImageReplacing(other.image());
        });
        const Run r = transfer(d);
        QVERIFY2(r.ok, qPrintable(r.log.join('\n')));
        QCOMPARE(messages, QStringList{"KEYMAPREADOK"});
        QCOMPARE(imageOf(other), imageOf(model));
        // Every key as the uploaded image describes it (modifier masks filled in by makeImage).
        KeyMapImgClass expected;
        expected.decodeImageReplacing(model.image());
        for (int col = 0; col < KeyCols; ++col)
            for (int row = 0; row < KeyRows; ++row) {
                QCOMPARE(other.getKeyMap(col, row), expected.getKeyMap(col, row));
                QCOMPARE(other.getBtnName(col, row, 0), expected.getBtnName(col, row, 0));
            }
        QCOMPARE(other.getKeyMap(12, 5).pairs[0], (TKeyPair{0x02, 0xE1}));
        QCOMPARE(other.getKeyMap(7, 2).count, uint8_t(2));
    }

    void uploadErrorsReachTheLog_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<QString>("buttonText");
        QTest::newRow("none") << "none" << false << "Порт Закрыт." << "ОШИБКА НЕТ ОТВЕТА";
        QTest::newRow("short") << "short" << false << "Порт Закрыт." << "ОШИБКА НЕТ ОТВЕТА";
        QTest::newRow("bad-echo") << "bad-echo" << false << "Ошибка суммы" << "ОШИБКА СУММЫ";
        QTest::newRow("bad-address") << "bad-address" << false << "Ошибка адреса" << "ОШИБКА АДРЕСА";
        QTest::newRow("extra") << "extra" << true << "Готово!" << "OK!";
    }
    void uploadErrorsReachTheLog()
    {
        QFETCH(QString, mode);
        QFETCH(bool, ok);
        QFETCH(QString, lastLine);
        QFETCH(QString, buttonText);
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--upload-answer", mode}), qPrintable(sim.error()));
        offer(sim);
        KeyMapImgClass model;
        fillSomeKeys(model);
        model.makeImage();
        Dialog_COMport d(nullptr, nullptr, Waits);
        d.setImage(model.image());
        const Run r = transfer(d);
        QVERIFY(r.finished);
        QCOMPARE(r.ok, ok);
        QCOMPARE(r.log.last(), lastLine);
        QCOMPARE(r.buttonText, buttonText);
        QCOMPARE(d.state(), int(LoaderMachine::UploadIdle));
    }

    void readErrorsLeaveTheModelAlone_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("failure");
        QTest::newRow("none") << "none" << "Не удалось выгрузить раскладку.";
        QTest::newRow("short") << "short" << "Не удалось выгрузить раскладку.";
        QTest::newRow("corrupt") << "corrupt" << "Ошибка контрольной суммы.";
    }
    void readErrorsLeaveTheModelAlone()
    {
        QFETCH(QString, mode);
        QFETCH(QString, failure);
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--read-answer", mode}), qPrintable(sim.error()));
        offer(sim);
        KeyMapImgClass model;
        fillSomeKeys(model);
        model.makeImage();
        const QByteArray before = imageOf(model);
        Dialog_COMport d(nullptr, nullptr, Waits);
        d.setImage(model.image());
        d.setmode(1);
        QStringList messages;
        connect(&d, &Dialog_COMport::sendmsg, this, [&](const QString& m) { messages << m; });
        const Run r = transfer(d);
        QVERIFY(r.finished);
        QVERIFY(!r.ok);
        QVERIFY2(r.log.contains(failure), qPrintable(r.log.join('\n')));
        QCOMPARE(r.log.last(), QStringLiteral("Порт Закрыт."));
        QCOMPARE(imageOf(model), before);
        QVERIFY(messages.isEmpty());
    }

    void extraBytesAfterTheReadImage()
    {
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast + QStringList{"--read-answer", "extra"}), qPrintable(sim.error()));
        offer(sim);
        KeyMapImgClass model;
        fillSomeKeys(model);
        model.makeImage();
        Dialog_COMport d(nullptr, nullptr, Waits);
        d.setImage(model.image());
        d.setmode(1);
        const Run r = transfer(d);
        QVERIFY2(r.ok, qPrintable(r.log.join('\n')));
        // The simulated keyboard holds the all-zero image.
        QCOMPARE(imageOf(model), QByteArray(ImageSize, '\0'));
    }

    void hostSideTime()
    {
        // Time the host spends beyond the fixed waits. A pseudo-terminal has no
        // line time, so this is the program's own share of a transfer.
        SimKeyboard sim;
        QVERIFY2(sim.start(Fast), qPrintable(sim.error()));
        offer(sim);
        KeyMapImgClass model;
        fillSomeKeys(model);
        model.makeImage();
        constexpr LoaderTimings Quick{20, 600, 30, 600};
        QList<qint64> send, upload, read;
        for (int i = 0; i < 7; ++i) {
            Dialog_COMport d(nullptr, nullptr, Quick);
            d.setImage(model.image());
            const Run r = transfer(d);
            QVERIFY(r.ok);
            send << r.sendMs;
            upload << r.totalMs - Quick.answerMs - Quick.rebootMs;
        }
        for (int i = 0; i < 7; ++i) {
            Dialog_COMport d(nullptr, nullptr, Quick);
            d.setImage(model.image());
            d.setmode(1);
            const Run r = transfer(d);
            QVERIFY(r.ok);
            read << r.totalMs - Quick.readMs;
        }
        qInfo("host-side time, median of 7: upload %lld ms (writing the 881 bytes %lld ms), read-back %lld ms",
              median(upload), median(send), median(read));
        // Far beyond what a healthy build needs even under sanitizers; catches a
        // transfer that blocks per byte or waits twice.
        QVERIFY(median(upload) < 500);
        QVERIFY(median(read) < 500);
    }
};

QTEST_MAIN(TestLoaderEndToEnd)
#include "tst_loader_e2e.moc"
