#include "loaderfakes.h"
#include "loadermachine.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using M = LoaderMachine;

namespace {
// Waits long enough that nothing expires during a test unless it says so.
constexpr LoaderTimings Never{60000, 60000, 60000, 60000};
constexpr LoaderTimings Short{20, 60, 40, 60};
// For tests that look at the machine while it waits for the reboot: long enough
// that polling never misses the state on a loaded machine.
constexpr LoaderTimings LongReboot{20, 60, 400, 60};

struct Rig {
    FakeLink link;
    RecordingView view;
    QByteArray image = sampleImage();
    M machine;
    QSignalSpy finished{&machine, &M::transferFinished};
    QSignalSpy messages{&machine, &M::sendmsg};

    explicit Rig(LoaderTimings t) : machine(&link, &view, t)
    {
        machine.setImage(reinterpret_cast<uint8_t*>(image.data()));
    }
    uint8_t crc() const { return uint8_t(image[ImageChecksumOffset]); }

    // Drives the machine into `state` by the events a user would cause.
    void reach(int state)
    {
        const bool read = state >= M::ReadIdle;
        if (read)
            machine.procevent(M::EvReadMode);
        if (state == M::UploadIdle || state == M::ReadIdle)
            return;
        machine.procevent(M::EvPortButton);
        if (state == M::UploadPortOpen || state == M::ReadPortOpen)
            return;
        machine.procevent(M::EvLoadButton);
        if (state == M::UploadAwaitReboot) {
            link.incoming = goodAnswer(crc());
            machine.procevent(M::EvTimeout);
        }
    }
};
}  // namespace

class TestLoaderMachine : public QObject
{
    Q_OBJECT
private slots:
    void ignoredEvents_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QList<int>>("events");
        // 3, 4 and 9 are ignored everywhere, 5 wherever no wait belongs to the
        // state, and so is anything a state does not list (2, 6, 7, 42, -1).
        const QList<int> always{M::EvPortArrived, M::EvPortRemoved, M::EvUploadMode, 2, 6, 7, 42, -1};
        QTest::newRow("UploadIdle") << int(M::UploadIdle) << (always + QList<int>{M::EvLoadButton, M::EvTimeout});
        QTest::newRow("UploadPortOpen") << int(M::UploadPortOpen) << (always + QList<int>{M::EvReadMode, M::EvTimeout});
        QTest::newRow("UploadAwaitAnswer")
            << int(M::UploadAwaitAnswer) << (always + QList<int>{M::EvPortButton, M::EvLoadButton, M::EvReadMode});
        QTest::newRow("UploadAwaitReboot")
            << int(M::UploadAwaitReboot) << (always + QList<int>{M::EvPortButton, M::EvLoadButton, M::EvReadMode});
        QTest::newRow("ReadIdle") << int(M::ReadIdle) << (always + QList<int>{M::EvLoadButton, M::EvTimeout, M::EvReadMode});
        QTest::newRow("ReadPortOpen") << int(M::ReadPortOpen) << (always + QList<int>{M::EvReadMode, M::EvTimeout});
        QTest::newRow("ReadAwaitData")
            << int(M::ReadAwaitData) << (always + QList<int>{M::EvPortButton, M::EvLoadButton, M::EvReadMode});
    }
    void ignoredEvents()
    {
        QFETCH(int, state);
        QFETCH(QList<int>, events);
        Rig r(Never);
        r.reach(state);
        QCOMPARE(r.machine.state(), state);
        const ViewState before = r.view.s;
        const QList<QByteArray> writes = r.link.writes;
        const bool open = r.link.opened;
        for (int e : events) {
            r.machine.procevent(e);
            QCOMPARE(r.machine.state(), state);
        }
        QCOMPARE(r.view.s, before);
        QCOMPARE(r.link.writes, writes);
        QCOMPARE(r.link.opened, open);
        QCOMPARE(r.finished.count(), 0);
        QCOMPARE(r.messages.count(), 0);
    }

    void portButtonWithoutPort()
    {
        for (int mode : {int(M::UploadIdle), int(M::ReadIdle)}) {
            Rig r(Never);
            r.reach(mode);
            r.view.port.clear();
            r.view.s.log = QStringList{"old"};
            for (int press = 0; press < 3; ++press) {
                r.machine.procevent(M::EvPortButton);
                // Each press clears the log first, so the line never piles up.
                QCOMPARE(r.view.s.log, QStringList{"Порт загрузки не обнаружен"});
                QCOMPARE(r.view.s.progress, -1);
                QCOMPARE(r.machine.state(), mode);
            }
            QCOMPARE(r.view.clears, 3);
            QVERIFY(r.link.openedNames.isEmpty());
        }
    }

    void openSucceeds_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("openState");
        QTest::addColumn<QString>("transferText");
        QTest::newRow("upload") << int(M::UploadIdle) << int(M::UploadPortOpen) << "ЗАГРУЗИТЬ РАСКЛАДКУ";
        QTest::newRow("read") << int(M::ReadIdle) << int(M::ReadPortOpen) << "ВЫГРУЗИТЬ РАСКЛАДКУ";
    }
    void openSucceeds()
    {
        QFETCH(int, mode);
        QFETCH(int, openState);
        QFETCH(QString, transferText);
        Rig r(Never);
        r.reach(mode);
        r.view.s.progress = 300;
        r.view.port = QStringLiteral("ttyACM3");
        r.machine.procevent(M::EvPortButton);
        QCOMPARE(r.link.openedNames, QStringList{"ttyACM3"});
        QCOMPARE(r.machine.state(), openState);
        QCOMPARE(r.view.s.log, QStringList{"Порт открыт."});
        QCOMPARE(r.view.s.progress, -1);
        QCOMPARE(r.view.s.portText, QStringLiteral("Закрыть порт"));
        QCOMPARE(r.view.s.transferText, transferText);
        QVERIFY(r.view.s.transferEnabled);
        QVERIFY(r.view.s.portEnabled);
        QVERIFY(r.view.s.exitEnabled);
    }

    void openFails()
    {
        // Upload mode leaves the controls as they are; read-back mode resets them.
        Rig up(Never);
        up.link.openResult = false;
        up.machine.procevent(M::EvPortButton);
        QCOMPARE(up.machine.state(), int(M::UploadIdle));
        QCOMPARE(up.view.s.log, QStringList{"Ошибка открытия порта"});
        QCOMPARE(up.view.s.portText, QStringLiteral("ОТКРЫТЬ ПОРТ"));
        QVERIFY(!up.view.s.transferEnabled);

        Rig rd(Never);
        rd.reach(M::ReadIdle);
        rd.link.openResult = false;
        rd.machine.procevent(M::EvPortButton);
        QCOMPARE(rd.machine.state(), int(M::ReadIdle));
        QCOMPARE(rd.view.s.log, QStringList{"Ошибка открытия порта"});
        QCOMPARE(rd.view.s.portText, QStringLiteral("Открыть порт"));
        QCOMPARE(rd.view.s.transferText, QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
        QVERIFY(!rd.view.s.transferEnabled);
        // A port that never opened is not reported as closed.
        QVERIFY(!rd.view.s.log.contains("Порт Закрыт."));
    }

    void closeWithPortButton_data()
    {
        QTest::addColumn<int>("openState");
        QTest::addColumn<int>("idleState");
        QTest::newRow("upload") << int(M::UploadPortOpen) << int(M::UploadIdle);
        QTest::newRow("read") << int(M::ReadPortOpen) << int(M::ReadIdle);
    }
    void closeWithPortButton()
    {
        QFETCH(int, openState);
        QFETCH(int, idleState);
        Rig r(Never);
        r.reach(openState);
        const QString transferText = r.view.s.transferText;
        r.machine.procevent(M::EvPortButton);
        QCOMPARE(r.machine.state(), idleState);
        QVERIFY(!r.link.opened);
        QCOMPARE(r.view.s.log, (QStringList{"Порт открыт.", "Порт Закрыт."}));
        QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
        QVERIFY(!r.view.s.transferEnabled);
        QVERIFY(r.view.s.portEnabled);
        QCOMPARE(r.view.s.transferText, transferText);
        QVERIFY(r.link.writes.isEmpty());
    }

    void readModeSwitch()
    {
        Rig r(Never);
        r.machine.procevent(M::EvReadMode);
        QCOMPARE(r.machine.state(), int(M::ReadIdle));
        QCOMPARE(r.view.s.transferText, QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
        QVERIFY(r.view.s.log.isEmpty());
        // There is no way back to upload mode.
        r.machine.procevent(M::EvUploadMode);
        QCOMPARE(r.machine.state(), int(M::ReadIdle));
    }

    void successfulUpload()
    {
        Rig r(LongReboot);
        // The keyboard answers once it has the image, with a byte of noise after the five.
        r.link.onDrain = [&] {
            QCOMPARE(r.link.writes.size(), ImageSize);
            r.link.incoming = goodAnswer(r.crc()) + QByteArray("\x77", 1);
        };
        r.machine.procevent(M::EvPortButton);
        r.machine.procevent(M::EvLoadButton);

        QCOMPARE(r.machine.state(), int(M::UploadAwaitAnswer));
        QVERIFY(!r.view.s.exitEnabled);
        QVERIFY(!r.view.s.portEnabled);
        QVERIFY(!r.view.s.transferEnabled);
        // One write call per byte, the image in order, nothing before or after it.
        QCOMPARE(r.link.writes.size(), ImageSize);
        for (const QByteArray& w : r.link.writes)
            QCOMPARE(w.size(), 1);
        QCOMPARE(r.link.written(), r.image);
        QCOMPARE(r.link.drainCalls, 1);
        // The bar follows every byte and ends on its maximum.
        QCOMPARE(r.view.progressCalls.size(), ImageSize);
        QCOMPARE(r.view.progressCalls.first(), 0);
        QCOMPARE(r.view.s.progress, 880);

        QTRY_COMPARE(r.machine.state(), int(M::UploadAwaitReboot));
        QCOMPARE(r.view.s.transferText, QStringLiteral("OK!"));
        QVERIFY(!r.view.s.exitEnabled);
        QVERIFY(r.link.incoming.isEmpty());  // the extra byte was read and dropped
        QCOMPARE(r.finished.count(), 0);

        QTRY_COMPARE(r.machine.state(), int(M::UploadIdle));
        QCOMPARE(r.finished.count(), 1);
        QCOMPARE(r.finished.first().first().toBool(), true);
        QVERIFY(r.view.msBetween("Ожидание перезагрузки клавиатуры", "Готово!") >= LongReboot.rebootMs - 1);

        QStringList expected{"Порт открыт."};
        expected << hexLines(r.image, ImageSize);
        expected << QString::asprintf("%02X ", r.crc());
        expected << "Таймаут истек."
                 << "Порт Закрыт."
                 << "Ответ принят."
                 << "Контрольная сумма совпала."
                 << "Адрес раскладки совпал."
                 << "Ожидание перезагрузки клавиатуры"
                 << "Готово!";
        QCOMPARE(r.view.s.log, expected);
        QCOMPARE(r.view.s.log.at(1), QStringLiteral("03 0A 11 18 1F 26 2D 34 3B 42 49 "));
        QCOMPARE(r.view.s.log.at(80), QStringLiteral("C6 CD D4 DB E2 E9 F0 F7 FE 05 0C "));
        QCOMPARE(r.view.s.log.size(), 1 + 80 + 1 + 7);

        // After the reboot wait: OK! stays, the transfer button stays off until the port is opened again.
        QCOMPARE(r.view.s.transferText, QStringLiteral("OK!"));
        QVERIFY(!r.view.s.transferEnabled);
        QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
        QVERIFY(r.view.s.portEnabled);
        QVERIFY(r.view.s.exitEnabled);
        QCOMPARE(r.messages.count(), 0);
    }

    void uploadAnswerFailures_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("tail");
        QTest::addColumn<QString>("buttonText");
        const uint8_t crc = uint8_t(sampleImage()[ImageChecksumOffset]);
        const QByteArray good = goodAnswer(crc);
        const QByteArray bad = goodAnswer(uint8_t(crc ^ 0x01));
        const QStringList noAnswer{"Таймаут истек.", "Ответ не получен.", "Повторите попытку.", "Порт Закрыт."};
        const QStringList badSum{"Таймаут истек.", "Порт Закрыт.", "Ответ принят.", "Ошибка суммы"};
        const QStringList badAddr{"Таймаут истек.", "Порт Закрыт.", "Ответ принят.", "Контрольная сумма совпала.",
                                  "Ошибка адреса"};
        QTest::newRow("nothing") << QByteArray() << noAnswer << "ОШИБКА НЕТ ОТВЕТА";
        QTest::newRow("4 bytes") << good.left(4) << noAnswer << "ОШИБКА НЕТ ОТВЕТА";
        QTest::newRow("wrong echo") << bad << badSum << "ОШИБКА СУММЫ";
        // Only the first five bytes count: a good answer after a bad one does not help.
        QTest::newRow("wrong echo, good answer after it") << (bad + good) << badSum << "ОШИБКА СУММЫ";
        for (int k = 1; k <= 4; ++k) {
            QByteArray a = good;
            a[k] = char(a[k] ^ 0x10);
            QTest::addRow("wrong address byte %d", k) << a << badAddr << "ОШИБКА АДРЕСА";
            QTest::addRow("wrong address byte %d, good answer after it", k) << (a + good) << badAddr << "ОШИБКА АДРЕСА";
        }
    }
    void uploadAnswerFailures()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, tail);
        QFETCH(QString, buttonText);
        Rig r(Short);
        r.link.onDrain = [&] { r.link.incoming = answer; };
        r.reach(M::UploadAwaitAnswer);
        QTRY_COMPARE(r.finished.count(), 1);
        QCOMPARE(r.finished.first().first().toBool(), false);
        QCOMPARE(r.machine.state(), int(M::UploadIdle));
        QCOMPARE(r.view.s.log.mid(r.view.s.log.size() - tail.size()), tail);
        QCOMPARE(r.view.s.log.size(), 1 + 81 + tail.size());
        QCOMPARE(r.view.s.transferText, buttonText);
        QVERIFY(!r.view.s.transferEnabled);
        QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
        QVERIFY(r.view.s.portEnabled);
        QVERIFY(r.view.s.exitEnabled);
        QVERIFY(!r.link.opened);
        // Fewer than five bytes are left unread: the answer is not even looked at.
        QCOMPARE(r.link.readAllCalls, answer.size() < 5 ? 0 : 1);
        // No reboot wait follows a failure.
        QTest::qWait(Short.rebootMs + 30);
        QCOMPARE(r.finished.count(), 1);
        QVERIFY(!r.view.s.log.contains("Готово!"));
        const QString reason = buttonText == QStringLiteral("ОШИБКА НЕТ ОТВЕТА") ? tail.at(1) : tail.last();
        QCOMPARE(r.machine.failure(), reason);
    }

    void refusedWrites_data()
    {
        QTest::addColumn<int>("refuseFrom");  // the first write call that fails
        QTest::addColumn<bool>("drainFails");
        QTest::newRow("the first byte") << 0 << false;
        QTest::newRow("inside a line") << 5 << false;
        QTest::newRow("at the start of a line") << 11 << false;
        QTest::newRow("inside the last line") << 878 << false;
        QTest::newRow("the checksum byte") << 880 << false;
        QTest::newRow("every byte written, none left the host") << -1 << true;
    }
    void refusedWrites()
    {
        QFETCH(int, refuseFrom);
        QFETCH(bool, drainFails);
        Rig r(Short);
        r.link.refuseFrom = refuseFrom;
        r.link.drainResult = !drainFails;
        r.reach(M::UploadPortOpen);
        r.machine.procevent(M::EvLoadButton);
        // Over at once: closed, controls reset, no answer wait.
        QCOMPARE(r.finished.count(), 1);
        QCOMPARE(r.finished.first().first().toBool(), false);
        QCOMPARE(r.machine.state(), int(M::UploadIdle));
        QVERIFY(!r.link.opened);
        const int sent = drainFails ? ImageSize : refuseFrom;
        QCOMPARE(r.link.written(), r.image.left(sent));
        // The log shows every byte that went out, 11 a line, the line begun included.
        QStringList log{"Порт открыт."};
        log << hexLines(r.image, sent);
        QString begun;
        for (int i = sent - sent % 11; i < sent && !drainFails; ++i)
            begun += QString::asprintf("%02X ", uint8_t(r.image[i]));
        if (drainFails)
            log << QString::asprintf("%02X ", r.crc());
        else if (!begun.isEmpty())
            log << begun;
        log << QString::fromUtf16(WriteFailedText) << "Порт Закрыт.";
        QCOMPARE(r.view.s.log, log);
        QCOMPARE(r.view.s.progress, sent == 0 ? -1 : qMin(sent, ImageSize) - 1);
        QCOMPARE(r.view.s.transferText, QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
        QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
        QVERIFY(!r.view.s.transferEnabled);
        QVERIFY(r.view.s.portEnabled);
        QVERIFY(r.view.s.exitEnabled);
        QCOMPARE(r.machine.failure(), QString::fromUtf16(WriteFailedText));
        QTest::qWait(Short.answerMs + 30);
        QCOMPARE(r.view.s.log, log);
        QCOMPARE(r.finished.count(), 1);
        // Ready for a new attempt on a port that takes the bytes again.
        r.link.refuseFrom = -1;
        r.link.drainResult = true;
        r.link.writes.clear();
        r.link.onDrain = [&] { r.link.incoming = goodAnswer(r.crc()); };
        r.machine.procevent(M::EvPortButton);
        r.machine.procevent(M::EvLoadButton);
        QTRY_COMPARE(r.finished.count(), 2);
        QVERIFY(r.finished.last().first().toBool());
        QVERIFY(r.machine.failure().isEmpty());
    }

    void refusedReadRequest()
    {
        for (bool drainFails : {false, true}) {
            Rig r(Short);
            const QByteArray before = r.image;
            r.link.refuseFrom = drainFails ? -1 : 0;
            r.link.drainResult = !drainFails;
            r.reach(M::ReadPortOpen);
            r.machine.procevent(M::EvLoadButton);
            QCOMPARE(r.finished.count(), 1);
            QCOMPARE(r.finished.first().first().toBool(), false);
            const QStringList log{"Порт открыт.", QString::fromUtf16(WriteFailedText), "Порт Закрыт."};
            QCOMPARE(r.view.s.log, log);
            QCOMPARE(r.machine.state(), int(M::ReadIdle));
            QCOMPARE(r.view.s.transferText, QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
            QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
            QVERIFY(!r.view.s.transferEnabled);
            QVERIFY(r.view.s.exitEnabled);
            QCOMPARE(r.machine.failure(), QString::fromUtf16(WriteFailedText));
            // No wait was started for an answer that cannot come.
            QTest::qWait(Short.readMs + 30);
            QCOMPARE(r.view.s.log, log);
            QCOMPARE(r.image, before);
            QCOMPARE(r.messages.count(), 0);
        }
    }

    void answerWaitingBeforeUploadCounts()
    {
        // The receive buffer is never flushed: bytes already there are the answer.
        Rig r(Short);
        r.machine.procevent(M::EvPortButton);
        r.link.incoming = goodAnswer(r.crc());
        r.machine.procevent(M::EvLoadButton);
        QTRY_COMPARE(r.finished.count(), 1);
        QCOMPARE(r.finished.first().first().toBool(), true);
    }

    void answerWaitStartsAfterTheImageLeft()
    {
        // A slow line: draining takes longer than the answer wait itself. The
        // wait must still run its full length after the last byte left.
        LoaderTimings t = Short;
        t.answerMs = 100;
        Rig r(t);
        r.link.onDrain = [] { QThread::msleep(250); };
        r.reach(M::UploadPortOpen);
        r.machine.procevent(M::EvLoadButton);
        QElapsedTimer sinceDrained;
        sinceDrained.start();
        r.link.incoming = goodAnswer(r.crc());
        QTRY_VERIFY(r.view.s.log.contains("Таймаут истек."));
        QVERIFY2(sinceDrained.elapsed() >= t.answerMs - 1, qPrintable(QString::number(sinceDrained.elapsed())));
    }

    void earlierWaitsAreSuperseded()
    {
        // The constructor's wait is still running when the upload starts; it must
        // not end the answer wait early. The keyboard answers only after it expired.
        // The answer wait is long enough that a loaded machine still ends the
        // constructor's wait (five times over) well inside it.
        LoaderTimings t = Short;
        t.initialMs = 40;
        t.answerMs = 2000;
        t.rebootMs = 300;
        Rig r(t);
        r.reach(M::UploadAwaitAnswer);
        const QString checksumLine = QString::asprintf("%02X ", r.crc());
        QTest::qWait(5 * t.initialMs);
        QCOMPARE(r.machine.state(), int(M::UploadAwaitAnswer));
        QVERIFY(!r.view.s.log.contains("Таймаут истек."));
        r.link.incoming = goodAnswer(r.crc());
        QTRY_COMPARE(r.machine.state(), int(M::UploadAwaitReboot));
        QVERIFY(r.view.msBetween(checksumLine, "Таймаут истек.") >= t.answerMs - 1);
        QVERIFY(!r.view.s.log.contains("Ответ не получен."));
        // The reboot wait runs its own full length too.
        QTRY_COMPARE(r.machine.state(), int(M::UploadIdle));
        QVERIFY(r.view.msBetween("Ожидание перезагрузки клавиатуры", "Готово!") >= t.rebootMs - 1);
        QCOMPARE(r.finished.count(), 1);
        QVERIFY(r.finished.first().first().toBool());
        // The superseded waits never deliver a late event.
        QTest::qWait(t.rebootMs);
        QCOMPARE(r.finished.count(), 1);
        QCOMPARE(r.view.s.log.count("Готово!"), 1);
    }

    void readRequest()
    {
        Rig r(Never);
        r.reach(M::ReadPortOpen);
        r.machine.procevent(M::EvLoadButton);
        QCOMPARE(r.machine.state(), int(M::ReadAwaitData));
        QCOMPARE(r.link.writes, QList<QByteArray>{QByteArray::fromHex("42C9")});
        QCOMPARE(r.view.s.log, (QStringList{"Порт открыт.", "Ожидание ответа."}));
        QVERIFY(r.machine.waiting());
        // Nothing is disabled: the exit button still ends the dialog.
        QVERIFY(r.view.s.exitEnabled);
        QVERIFY(r.view.s.transferEnabled);
        QVERIFY(r.view.s.portEnabled);
        QVERIFY(r.view.progressCalls.isEmpty());
    }

    void readBack_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray img = sampleImage(13);
        QTest::newRow("881 bytes") << img;
        QTest::newRow("900 bytes: the first 881 are the image") << (img + QByteArray(19, '\x5A'));
    }
    void readBack()
    {
        QFETCH(QByteArray, data);
        Rig r(Short);
        const QByteArray expected = data.left(ImageSize);
        QByteArray imageAtMessage;
        connect(&r.machine, &M::sendmsg, this, [&] { imageAtMessage = r.image; });
        r.link.onDrain = [&] { r.link.incoming = data; };
        r.reach(M::ReadAwaitData);
        QTRY_COMPARE(r.finished.count(), 1);
        QVERIFY(r.finished.first().first().toBool());
        QCOMPARE(r.image, expected);
        // The main window rebuilds the keys inside the emission: the image is already new then.
        QCOMPARE(r.messages.count(), 1);
        QCOMPARE(r.messages.first().first().toString(), QStringLiteral("KEYMAPREADOK"));
        QCOMPARE(imageAtMessage, expected);

        QStringList log{"Порт открыт.", "Ожидание ответа.", "Данные приняты."};
        log << hexLines(expected, 880);
        log << "Контрольная сумма совпала."
            << "Раскладка получена."
            << "Порт Закрыт.";
        QCOMPARE(r.view.s.log, log);
        QCOMPARE(r.view.s.log.at(3), QStringLiteral("03 10 1D 2A 37 44 51 5E 6B 78 85 "));
        QCOMPARE(r.machine.state(), int(M::ReadIdle));
        QCOMPARE(r.view.s.transferText, QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
        QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
        QVERIFY(!r.view.s.transferEnabled);
        QVERIFY(r.view.progressCalls.isEmpty());
    }

    void readBackFailures_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("tail");
        const QByteArray img = sampleImage(13);
        QByteArray corrupt = img;
        corrupt[100] = char(corrupt[100] ^ 0x04);
        QByteArray badSum = img;
        badSum[ImageChecksumOffset] = char(badSum[ImageChecksumOffset] ^ 0x80);
        const QStringList tooShort{"Ожидание ответа.", "Не удалось выгрузить раскладку.", "Повторите попытку.",
                                   "Порт Закрыт."};
        QTest::newRow("nothing") << QByteArray() << tooShort;
        QTest::newRow("880 bytes") << img.left(880) << tooShort;
        QTest::newRow("a corrupted byte") << corrupt << QStringList{"Ошибка контрольной суммы.", "Порт Закрыт."};
        QTest::newRow("a wrong checksum byte") << badSum << QStringList{"Ошибка контрольной суммы.", "Порт Закрыт."};
        QTest::newRow("a wrong checksum, more after it")
            << (badSum + img) << QStringList{"Ошибка контрольной суммы.", "Порт Закрыт."};
    }
    void readBackFailures()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, tail);
        Rig r(Short);
        const QByteArray before = r.image;
        r.link.onDrain = [&] { r.link.incoming = data; };
        r.reach(M::ReadAwaitData);
        QTRY_COMPARE(r.finished.count(), 1);
        QVERIFY(!r.finished.first().first().toBool());
        QCOMPARE(r.image, before);
        QCOMPARE(r.messages.count(), 0);
        QCOMPARE(r.view.s.log.mid(r.view.s.log.size() - tail.size()), tail);
        QVERIFY(!r.view.s.log.contains("Раскладка получена."));
        QCOMPARE(r.machine.state(), int(M::ReadIdle));
        QVERIFY(!r.link.opened);
        QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
        QVERIFY(!r.view.s.transferEnabled);
        if (data.size() >= ImageSize) {
            QCOMPARE(r.view.s.log.at(2), QStringLiteral("Данные приняты."));
            QCOMPARE(r.view.s.log.size(), 3 + 80 + tail.size());
        }
    }

    void readAgainAfterAFailure()
    {
        // After any failure the dialog is back in its idle state, ready for a new attempt.
        Rig r(Short);
        r.reach(M::ReadAwaitData);
        QTRY_COMPARE(r.finished.count(), 1);
        const QByteArray img = sampleImage(5);
        r.link.onDrain = [&] { r.link.incoming = img; };
        r.machine.procevent(M::EvPortButton);
        r.machine.procevent(M::EvLoadButton);
        QTRY_COMPARE(r.finished.count(), 2);
        QVERIFY(r.finished.last().first().toBool());
        QCOMPARE(r.image, img);
    }

    void noImageNoTransfer()
    {
        FakeLink link;
        RecordingView view;
        M m(&link, &view, Never);
        m.procevent(M::EvPortButton);
        m.procevent(M::EvLoadButton);
        QCOMPARE(m.state(), int(M::UploadPortOpen));
        QVERIFY(link.writes.isEmpty());
    }

    void defaultTimings()
    {
        const LoaderTimings t;
        QCOMPARE(t.initialMs, 1000);
        QCOMPARE(t.answerMs, 5000);
        QCOMPARE(t.rebootMs, 5000);
        QCOMPARE(t.readMs, 3500);
    }

    void pendingWaitDiesWithTheMachine()
    {
        FakeLink link;
        RecordingView view;
        auto* m = new M(&link, &view, Short);
        QByteArray image = sampleImage();
        m->setImage(reinterpret_cast<uint8_t*>(image.data()));
        m->procevent(M::EvPortButton);
        m->procevent(M::EvLoadButton);
        QVERIFY(m->waiting());
        delete m;
        const QStringList log = view.s.log;
        QTest::qWait(Short.answerMs + 50);
        QCOMPARE(view.s.log, log);
    }
};

QTEST_GUILESS_MAIN(TestLoaderMachine)
#include "tst_loadermachine.moc"
