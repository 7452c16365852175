// What a station makes of each keyboard's timeline, plugged in and out at given
// moments of a clock moved by hand: every keyboard gets one row, none is
// programmed twice while it stays, not even across Стоп and Пуск.
#include "fakestation.h"
#include "stationsession.h"

#include <QElapsedTimer>
#include <QTest>

namespace {
// The image sent: all keys empty, checksum 0.
const QByteArray Sent(ImageSize, '\0');

// A valid image that differs from Sent in key (4, 2)'s slot.
QByteArray otherLayout()
{
    QByteArray image(ImageSize, '\0');
    image[67 * 11 + 2] = 0x07;
    image[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
    return image;
}
}  // namespace

class TestStationTimeline : public QObject
{
    Q_OBJECT
private slots:
    void timelines_data()
    {
        // Events: "MS plug NAME [serial=S] [other] [silent] [refuses] [pull-at=N]", "MS unplug",
        // "MS stop" or "MS start", all in one socket. With the keyboard's own waits, an upload's answer is read at
        // 5 s, its restart ends at 10 s and a read-back is read at 13.5 s.
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("uploads");  // "A=1 B=0"
        QTest::addColumn<QString>("tally");    // keyboards: "programmed/failed"

        const QString done = "Готово! Сверка совпала.";
        const QString left = "Клавиатура отключена во время передачи";
        const QString replaced = "Готово! Клавиатура заменена во время перезапуска";
        QTest::newRow("plugged") << QStringList{"0 plug A"} << true << QStringList{done} << "A=1" << "1/0";
        QTest::newRow("plugged, no read-back") << QStringList{"0 plug A"} << false << QStringList{"Готово!"} << "A=1"
                                               << "1/0";
        QTest::newRow("pulled out while sending, another after it")
            << QStringList{"0 plug A serial=1 pull-at=300", "2000 plug B serial=2"} << true << QStringList{left, done}
            << "A=0 B=1" << "1/1";
        QTest::newRow("pulled out while sending, tried again")
            << QStringList{"0 plug A pull-at=300", "2000 unplug", "3000 plug B"} << true << QStringList{left, done}
            << "A=0 B=1" << "1/0";
        QTest::newRow("pulled out during the answer wait")
            << QStringList{"0 plug A", "2000 unplug"} << true << QStringList{left} << "A=1" << "0/1";
        QTest::newRow("away during the restart and back")
            << QStringList{"0 plug A", "6000 unplug", "8000 plug A"} << true << QStringList{done} << "A=1" << "1/0";
        QTest::newRow("away during the restart and back, read back unasked")
            << QStringList{"0 plug A", "6000 unplug", "8000 plug A"} << false << QStringList{done} << "A=1" << "1/0";
        QTest::newRow("back after the restart wait, in time")
            << QStringList{"0 plug A", "6000 unplug", "12000 plug A"} << true << QStringList{done} << "A=1" << "1/0";
        QTest::newRow("away during the restart for good")
            << QStringList{"0 plug A", "6000 unplug"} << true
            << QStringList{"Клавиатура не вернулась после перезапуска"} << "A=1" << "0/1";
        QTest::newRow("swapped, told by the serial number")
            << QStringList{"0 plug A serial=1", "6000 unplug", "7000 plug B serial=2"} << true
            << QStringList{replaced, done} << "A=1 B=1" << "2/0";
        QTest::newRow("swapped, told by the image")
            << QStringList{"0 plug A", "6000 unplug", "7000 plug B other"} << true << QStringList{replaced, done}
            << "A=1 B=1" << "2/0";
        QTest::newRow("swapped, told by the image unasked")
            << QStringList{"0 plug A", "6000 unplug", "7000 plug B other"} << false
            << QStringList{replaced, "Готово!"} << "A=1 B=1" << "2/0";
        QTest::newRow("stopped and started with the keyboard in place")
            << QStringList{"0 plug A", "20000 stop", "21000 start"} << true << QStringList{done} << "A=1" << "1/0";
        QTest::newRow("plugged in while stopped, programmed at the start")
            << QStringList{"0 plug A", "20000 stop", "21000 unplug", "22000 plug B", "30000 start"} << true
            << QStringList{done, done} << "A=1 B=1" << "2/0";
        QTest::newRow("pulled out during the read-back")
            << QStringList{"0 plug A", "11000 unplug"} << true
            << QStringList{"Клавиатура отключена во время сверки"} << "A=1" << "0/1";
        QTest::newRow("a write refused") << QStringList{"0 plug A refuses"} << true
                                         << QStringList{"Ошибка записи в порт (нет связи с устройством)"} << "A=0"
                                         << "0/1";
        QTest::newRow("silent") << QStringList{"0 plug A silent"} << true << QStringList{"Ответ не получен."}
                                << "A=1" << "0/1";
    }

    void timelines()
    {
        QFETCH(QStringList, events);
        QFETCH(bool, verify);
        QFETCH(QStringList, rows);
        QFETCH(QString, uploads);
        QFETCH(QString, tally);
        const QString socket = "socket-1";
        FakeClock clock;
        FakeBench bench;
        QHash<QString, FakeKeyboard> keyboards;
        StationSession session(nullptr, {&clock, [&] { return std::make_unique<FakeBenchLink>(bench); },
                                         [&] { return bench.present(); }, false});
        session.options().verify = verify;
        QStringList got;
        connect(&session, &StationSession::keyboardDone, this, [&](const UploadResult& r) {
            QCOMPARE(r.port, socket);
            got << outcomeWithReason(r);
        });
        session.start(Sent);
        for (const QString& event : events) {
            const QStringList words = event.split(' ');
            clock.advanceTo(words[0].toLongLong());
            if (words[1] == "unplug") {
                bench.unplug(socket);
                continue;
            }
            if (words[1] == "stop" || words[1] == "start") {
                words[1] == "stop" ? session.stop() : session.start(Sent);
                continue;
            }
            FakeKeyboard& k = keyboards[words[2]];
            for (const QString& w : words.mid(3)) {
                if (w.startsWith("serial="))
                    k.serial = w.mid(7);
                else if (w.startsWith("pull-at="))
                    k.pullAtByte = w.mid(8).toInt();
                k.image = w == "other" ? otherLayout() : k.image;
                k.answers = k.answers && w != "silent";
                k.refuses = k.refuses || w == "refuses";
            }
            bench.plug(socket, &k);
        }
        clock.advanceTo(60000);  // long past every wait: nothing more comes of it
        QCOMPARE(got, rows);
        QCOMPARE(QStringLiteral("%1/%2").arg(session.tally().good).arg(session.tally().bad), tally);
        QStringList counted;
        for (const QString& name : uploads.split(' '))
            counted << QStringLiteral("%1=%2").arg(name.left(1)).arg(keyboards.value(name.left(1)).uploads);
        QCOMPARE(counted.join(' '), uploads);
        session.stop();
        clock.advanceTo(61000);
        QVERIFY(!session.running());
    }
};

QTEST_GUILESS_MAIN(TestStationTimeline)
#include "tst_stationtimeline.moc"
