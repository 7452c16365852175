// The real serial port code on a pseudo-terminal, watched at the level of
// system calls: this program defines write(2) itself, so every write the link
// (or QSerialPort inside it) makes goes through the counter below first.
#include "loaderfakes.h"
#include "loadermachine.h"
#include "serialportlink.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <sys/syscall.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {
struct WriteCall {
    size_t size;
    ssize_t result;
};

// Writes to one descriptor, recorded while g_watchedFd names it.
std::atomic<int> g_watchedFd{-1};
std::atomic<int> g_callCount{0};
WriteCall g_calls[4096];
// Runs before the recorded call number `index` goes to the kernel.
std::function<void(int index)> g_beforeWrite;
}  // namespace

extern "C" ssize_t write(int fd, const void* buf, size_t n)
{
    if (fd != g_watchedFd.load() || g_callCount.load() >= int(std::size(g_calls)))
        return ssize_t(syscall(SYS_write, fd, buf, n));
    const int index = g_callCount.fetch_add(1);
    if (g_beforeWrite)
        g_beforeWrite(index);
    const ssize_t r = ssize_t(syscall(SYS_write, fd, buf, n));
    const int saved = errno;
    g_calls[index] = {n, r};
    errno = saved;
    return r;
}

namespace {
using M = LoaderMachine;
constexpr LoaderTimings Quick{20, 100, 30, 100};

// The keyboard's end of a pseudo-terminal, held by the test itself.
struct Pty {
    int master = -1;
    QString path;

    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        path = QString::fromLocal8Bit(ptsname(master));
        termios t{};
        if (tcgetattr(master, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(master, TCSANOW, &t);
        }
    }
    ~Pty() { hangUp(); }
    // As if the keyboard were unplugged: the host's side is hung up.
    void hangUp()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    QByteArray received() const
    {
        QByteArray all;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            all.append(buf, n);
        return all;
    }
    void send(const QByteArray& bytes) const
    {
        QCOMPARE(::write(master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }
};

// The descriptor of this process that is open on `path`, other than `except`.
int descriptorOn(const QString& path, int except = -1)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == target && fd.fileName().toInt() != except)
            return fd.fileName().toInt();
    return -1;
}

// Counts the writes to `fd` from construction until calls() is asked.
struct WriteRecorder {
    explicit WriteRecorder(int fd, std::function<void(int)> before = {})
    {
        g_callCount = 0;
        g_beforeWrite = std::move(before);
        g_watchedFd = fd;
    }
    ~WriteRecorder() { stop(); }
    void stop()
    {
        g_watchedFd = -1;
        g_beforeWrite = nullptr;
    }
    QList<WriteCall> calls()
    {
        stop();
        return QList<WriteCall>(g_calls, g_calls + g_callCount.load());
    }
};

struct Rig {
    Pty pty;
    SerialPortLink link;
    RecordingView view;
    QByteArray image = sampleImage();
    M machine{&link, &view, Quick};
    QSignalSpy finished{&machine, &M::transferFinished};
    QSignalSpy messages{&machine, &M::sendmsg};

    explicit Rig(bool readBack = false, bool eventDriven = false)
    {
        link.setEventDriven(eventDriven);
        view.port = pty.path;
        machine.setImage(reinterpret_cast<uint8_t*>(image.data()));
        if (readBack)
            machine.procevent(M::EvReadMode);
        machine.procevent(M::EvPortButton);
    }
    int portFd(int except = -1) const { return descriptorOn(pty.path, except); }
};

QStringList uploadLog(const QByteArray& image, const QStringList& tail)
{
    return QStringList{"Порт открыт."} + hexLines(image, ImageSize) +
           QStringList{QString::asprintf("%02X ", uint8_t(image[ImageChecksumOffset]))} + tail;
}
}  // namespace

class TestSerialPortLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Pty pty;
        QVERIFY2(!pty.path.isEmpty(), "no pseudo-terminal");
    }

    void uploadIsOneSystemWritePerByte()
    {
        Rig r;
        QCOMPARE(r.machine.state(), int(M::UploadPortOpen));
        WriteRecorder rec(r.portFd());
        r.machine.procevent(M::EvLoadButton);
        const QList<WriteCall> calls = rec.calls();
        QCOMPARE(calls.size(), ImageSize);
        for (const WriteCall& c : calls) {
            QCOMPARE(c.size, size_t(1));
            QCOMPARE(c.result, ssize_t(1));
        }
        QCOMPARE(r.pty.received(), r.image);
        // The wait started once the bytes were out; the protocol goes on as before.
        QCOMPARE(r.machine.state(), int(M::UploadAwaitAnswer));
        r.pty.send(goodAnswer(uint8_t(r.image[ImageChecksumOffset])));
        QTRY_COMPARE(r.finished.count(), 1);
        QVERIFY(r.finished.first().first().toBool());
        QCOMPARE(r.view.s.progress, 880);
        QCOMPARE(r.view.s.log, uploadLog(r.image, {"Таймаут истек.", "Порт Закрыт.", "Ответ принят.",
                                                   "Контрольная сумма совпала.", "Адрес раскладки совпал.",
                                                   "Ожидание перезагрузки клавиатуры", "Готово!"}));
        QVERIFY(r.machine.failure().isEmpty());
    }

    void readRequestIsOneWriteOfTwoBytes()
    {
        Rig r(true);
        QCOMPARE(r.machine.state(), int(M::ReadPortOpen));
        WriteRecorder rec(r.portFd());
        r.machine.procevent(M::EvLoadButton);
        const QList<WriteCall> calls = rec.calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().size, size_t(2));
        QCOMPARE(calls.first().result, ssize_t(2));
        QCOMPARE(r.pty.received(), QByteArray::fromHex("42C9"));
        const QByteArray held = sampleImage(3);
        r.pty.send(held);
        QTRY_COMPARE(r.finished.count(), 1);
        QVERIFY(r.finished.first().first().toBool());
        QCOMPARE(r.image, held);
    }

    void unpluggedMidUploadEndsItAtOnce()
    {
        Rig r;
        constexpr int Unplugged = 300;  // bytes 0..299 go out, byte 300 is refused
        WriteRecorder rec(r.portFd(), [&](int index) {
            if (index == Unplugged)
                r.pty.hangUp();
        });
        r.machine.procevent(M::EvLoadButton);
        const QList<WriteCall> calls = rec.calls();
        // Reported inside the button press: no answer wait is started.
        QCOMPARE(r.finished.count(), 1);
        QVERIFY(!r.finished.first().first().toBool());
        QCOMPARE(calls.size(), Unplugged + 1);
        QCOMPARE(calls.at(Unplugged - 1).result, ssize_t(1));
        QCOMPARE(calls.last().result, ssize_t(-1));
        // The log shows the bytes that went out, the line begun included, then the failure.
        QStringList log{"Порт открыт."};
        log << hexLines(r.image, Unplugged);
        QString begun;
        for (int i = Unplugged - Unplugged % 11; i < Unplugged; ++i)
            begun += QString::asprintf("%02X ", uint8_t(r.image[i]));
        log << begun << QString::fromUtf16(WriteFailedText) << "Порт Закрыт.";
        QCOMPARE(r.view.s.log, log);
        QCOMPARE(r.view.s.progress, Unplugged - 1);
        QCOMPARE(r.view.s.transferText, QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
        QCOMPARE(r.view.s.portText, QStringLiteral("Открыть порт"));
        QVERIFY(!r.view.s.transferEnabled);
        QVERIFY(r.view.s.portEnabled);
        QVERIFY(r.view.s.exitEnabled);
        QCOMPARE(r.machine.state(), int(M::UploadIdle));
        QCOMPARE(r.machine.failure(), QString::fromUtf16(WriteFailedText));
        QVERIFY(!r.link.isOpen());
        QCOMPARE(r.link.errorString(), qt_error_string(EIO));
        QTest::qWait(Quick.answerMs + 50);
        QCOMPARE(r.view.s.log, log);
        QCOMPARE(r.finished.count(), 1);
    }

    void unpluggedBeforeTheReadRequest()
    {
        Rig r(true);
        const QByteArray before = r.image;
        WriteRecorder rec(r.portFd(), [&](int) { r.pty.hangUp(); });
        r.machine.procevent(M::EvLoadButton);
        QCOMPARE(rec.calls().size(), 1);
        QCOMPARE(r.finished.count(), 1);
        QVERIFY(!r.finished.first().first().toBool());
        const QStringList log{"Порт открыт.", QString::fromUtf16(WriteFailedText), "Порт Закрыт."};
        QCOMPARE(r.view.s.log, log);
        QCOMPARE(r.machine.state(), int(M::ReadIdle));
        QCOMPARE(r.view.s.transferText, QStringLiteral("ВЫГРУЗИТЬ РАСКЛАДКУ"));
        QVERIFY(!r.view.s.transferEnabled);
        QVERIFY(r.view.s.exitEnabled);
        QTest::qWait(Quick.readMs + 50);
        QCOMPARE(r.view.s.log, log);
        QCOMPARE(r.image, before);
        QCOMPARE(r.messages.count(), 0);
    }

    void stalledLineThatVanishes()
    {
        // The keyboard takes nothing (its line is stopped), then goes away: the
        // first write waits for room and fails as soon as the port is gone. The line
        // is stopped through a copy of the port's own descriptor: the port is open for
        // exclusive use, which only root could get past by opening it again.
        Rig r;
        const int held = ::dup(r.portFd());
        QVERIFY(held >= 0);
        QCOMPARE(tcflow(held, TCOOFF), 0);
        // Timed from before the unplug is scheduled: a loaded machine may start
        // the write long after the thread began its wait.
        QElapsedTimer t;
        t.start();
        std::thread unplug([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            r.pty.hangUp();
        });
        WriteRecorder rec(r.portFd(held));
        r.machine.procevent(M::EvLoadButton);
        const qint64 ms = t.elapsed();
        unplug.join();
        ::close(held);
        const QList<WriteCall> calls = rec.calls();
        QVERIFY(!calls.isEmpty());
        for (const WriteCall& c : calls)
            QCOMPARE(c.result, ssize_t(-1));
        QVERIFY2(ms >= 150 && ms < 2500, qPrintable(QString::number(ms)));
        QCOMPARE(r.view.s.log, (QStringList{"Порт открыт.", QString::fromUtf16(WriteFailedText), "Порт Закрыт."}));
        QCOMPARE(r.view.s.progress, -1);
        QCOMPARE(r.finished.count(), 1);
    }

    void eventDrivenUploadWaitsForAStalledLine()
    {
        // Many ports share one event loop: a line that takes nothing must not
        // hold it up, and the bytes still go out one write call each.
        Rig r(false, true);
        const int held = ::dup(r.portFd());
        QVERIFY(held >= 0);
        QCOMPARE(tcflow(held, TCOOFF), 0);
        WriteRecorder rec(r.portFd(held));
        QElapsedTimer t;
        t.start();
        r.machine.procevent(M::EvLoadButton);
        QVERIFY(t.elapsed() < 100);
        QCOMPARE(r.machine.state(), int(M::UploadAwaitAnswer));
        QVERIFY(!r.machine.waiting());  // the answer wait starts once the image has left
        QTest::qWait(300);
        QVERIFY(r.pty.received().isEmpty());
        QCOMPARE(tcflow(held, TCOON), 0);
        QElapsedTimer resumed;
        resumed.start();
        QTRY_VERIFY(r.machine.waiting());
        QByteArray got = r.pty.received();
        QTRY_VERIFY((got += r.pty.received()).size() == ImageSize);
        QCOMPARE(got, r.image);
        r.pty.send(goodAnswer(uint8_t(r.image[ImageChecksumOffset])));
        QTRY_VERIFY(r.view.s.log.contains("Таймаут истек."));
        QVERIFY(resumed.elapsed() >= Quick.answerMs - 1);
        QTRY_COMPARE(r.finished.count(), 1);
        QVERIFY(r.finished.first().first().toBool());
        ::close(held);
        int written = 0;
        for (const WriteCall& c : rec.calls()) {
            QCOMPARE(c.size, size_t(1));
            written += c.result == 1;
        }
        QCOMPARE(written, ImageSize);
    }

    void eventDrivenStalledLineThatVanishes()
    {
        Rig r(false, true);
        const int held = ::dup(r.portFd());
        QVERIFY(held >= 0);
        QCOMPARE(tcflow(held, TCOOFF), 0);
        r.machine.procevent(M::EvLoadButton);
        QCOMPARE(r.finished.count(), 0);
        QElapsedTimer t;
        t.start();
        QTimer::singleShot(100, [&] { r.pty.hangUp(); });
        QTRY_COMPARE(r.finished.count(), 1);
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        ::close(held);
        QVERIFY(!r.finished.first().first().toBool());
        // Queued bytes are shown as they were handed over; the failure follows them.
        QCOMPARE(r.view.s.log, uploadLog(r.image, {QString::fromUtf16(WriteFailedText), "Порт Закрыт."}));
        QCOMPARE(r.view.s.transferText, QStringLiteral("ОШИБКА НЕТ ОТВЕТА"));
        QCOMPARE(r.machine.state(), int(M::UploadIdle));
        QCOMPARE(r.link.errorString(), qt_error_string(EIO));
    }
};

QTEST_GUILESS_MAIN(TestSerialPortLink)
#include "tst_serialportlink.moc"
