// The station window: every socket's tile and every button in view on a small
// screen, the tiles numbered by socket, and closing it, which asks while a
// keyboard is in flight or rows wait for the log.
#include "keyimage.h"
#include "sockettile.h"
#include "stationcore/fakestation.h"
#include "stationwindow.h"
#include "testfiles.h"
#include "tools/simkbdprocess.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString hubPort(const QString& port)
{
    return QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:%1:1.0").arg(port);
}

// A window on a bench of keyboards in memory, whose waits pass when the test says.
struct Bench {
    FakeClock clock;
    FakeBench bench;
    std::map<QString, FakeKeyboard> keyboards;
    QTemporaryDir dir;
    std::unique_ptr<StationWindow> window;

    explicit Bench(const QSize& size = {1024, 768})
    {
        StationWindow::Options options;
        options.timings = {0, 1000, 1000, 1000};
        options.logPath = dir.filePath("log.csv");
        options.environment = {&clock, [this] { return std::make_unique<FakeBenchLink>(bench); },
                               [this] { return bench.present(); }, false};
        window = std::make_unique<StationWindow>(options);
        window->resize(size);
        window->show();
        if (QTest::qWaitForWindowExposed(window.get()) &&
            window->openLayout(qEnvironmentVariable("RASKLADKA_SOURCE_DIR") + "/fuzz/corpus/kmp_sample.kmp"))
            window->start();
    }
    void plug(const QStringList& ports, bool answer = true)
    {
        for (const QString& port : ports) {
            keyboards[port].answers = answer;
            bench.plug(hubPort(port), &keyboards[port]);
        }
        clock.advanceTo(clock.nowMs() + StationEngine::PollMs);
    }
    // The tiles row by row, each as its hub port and number.
    QString numbers() const
    {
        QList<SocketTile*> tiles = window->findChildren<SocketTile*>();
        std::sort(tiles.begin(), tiles.end(), [](auto* x, auto* y) { return std::pair(x->y(), x->x()) < std::pair(y->y(), y->x()); });
        QStringList out;
        for (const SocketTile* t : tiles)
            out << t->socket().section(':', -2, -2) + '=' + QString::number(window->tileNumber(t->socket()));
        return out.join(' ');
    }
};

// Whole and unobscured within the window, as a technician sees it.
bool wholeInView(const QWidget* w)
{
    return w->isVisible() && w->visibleRegion() == QRegion(w->rect());
}

// The tile's verdict wrapped whole within its label, and whole in its tooltip.
bool verdictWhole(const SocketTile* tile)
{
    const QList<QLabel*> labels = tile->findChildren<QLabel*>();
    const auto v = std::find_if(labels.begin(), labels.end(), [&](auto* l) { return l->toolTip() == tile->verdictText(); });
    const QRect room = v == labels.end() ? QRect() : (*v)->contentsRect();
    return v != labels.end() && (*v)->wordWrap() && QString((*v)->text()).replace('\n', ", ") == tile->verdictText() &&
           wholeInView(*v) && room.contains((*v)->fontMetrics().boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, (*v)->text()));
}

QString viewProblem(const StationWindow& window)
{
    for (const SocketTile* tile : window.findChildren<SocketTile*>()) {
        if (!wholeInView(tile))
            return QStringLiteral("tile %1 is out of view").arg(tile->number());
        if (!tile->verdictText().isEmpty() && !verdictWhole(tile))
            return QStringLiteral("the verdict of tile %1 is not whole").arg(tile->number());
    }
    for (const QPushButton* button : window.findChildren<QPushButton*>())
        if (!wholeInView(button))
            return button->text() + " is out of view";
    return {};
}
}  // namespace

class TestStationWindow : public QObject
{
    Q_OBJECT
private slots:
    void tilesInView_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("sockets");
        QTest::newRow("32 at 1024x768") << QSize(1024, 768) << 32;
        QTest::newRow("32 at 1024x768 less a title and a panel") << QSize(1024, 700) << 32;
        QTest::newRow("32 at 1600x900") << QSize(1600, 900) << 32;
        QTest::newRow("3 at 1024x768") << QSize(1024, 768) << 3;
    }

    // Every tile, its verdict, and every button, whole in view, in flight and after;
    // the failed ones listed above the tiles.
    void tilesInView()
    {
        QFETCH(QSize, size);
        QFETCH(int, sockets);
        Bench b(size);
        QStringList ports, silent, failed;
        for (int i = 1; i <= sockets; ++i) {
            (i % 5 == 3 ? silent : ports) << QStringLiteral("1.%1.%2").arg(1 + (i - 1) / 8).arg(1 + (i - 1) % 8);
            if (i % 5 == 3)
                failed << QString::number(i);  // sorted, the ports are numbered as plugged
        }
        b.plug(ports);
        b.plug(silent, false);
        QCOMPARE(b.window->size(), size);
        const QList<SocketTile*> tiles = b.window->findChildren<SocketTile*>();
        QCOMPARE(tiles.size(), sockets);
        QVERIFY2(viewProblem(*b.window).isEmpty(), qPrintable("in flight: " + viewProblem(*b.window)));
        b.clock.advanceTo(b.clock.nowMs() + 10000);
        QVERIFY2(viewProblem(*b.window).isEmpty(), qPrintable(viewProblem(*b.window)));
        const QList<QLabel*> labels = b.window->findChildren<QLabel*>();
        const auto line = std::find_if(labels.begin(), labels.end(), [](auto* l) { return l->text().startsWith("Ошибки: "); });
        QVERIFY(line != labels.end() && wholeInView(*line));
        QCOMPARE((*line)->text(), "Ошибки: " + failed.join(", "));

        // A verdict as long as they come, on a tile of the size these have.
        UploadResult unread;
        unread.kind = StationOutcome::VerifyFailed;
        unread.transfer.outcome = TransferOutcome::WriteFailed;
        unread.outcome = outcomeText(unread);
        unread.reason = "Устройство или ресурс занято; порт открыт другой программой";
        unread.seconds = 12.3;
        tiles.first()->showResult(unread);
        QCOMPARE(tiles.first()->verdictText(), outcomeWithReason(unread) + ", 12.3 с");
        QVERIFY(verdictWhole(tiles.first()));
    }

    // Tiles are numbered by socket: sorted (numbers in paths as numbers), or as a
    // file lists them; the numbers "Запомнить гнёзда" writes hold in the next run.
    void numbering_data()
    {
        QTest::addColumn<QStringList>("listed");  // the sockets file; none without
        QTest::addColumn<QStringList>("first");   // plugged together
        QTest::addColumn<QString>("numbers");     // once they are in
        QTest::addColumn<bool>("remember");       // then "Запомнить гнёзда"
        QTest::addColumn<QString>("later");       // plugged after
        QTest::addColumn<QString>("numbersThen");
        const QStringList first{"1.10", "1.3", "1.9"};
        const QString sorted = "1.3=1 1.9=2 1.10=3";
        QTest::newRow("sorted") << QStringList() << first << sorted << false << "1.2" << "1.2=1 1.3=2 1.9=3 1.10=4";
        QTest::newRow("sorted, after the last") << QStringList() << first << sorted << false << "2.1"
                                                << sorted + " 2.1=4";
        QTest::newRow("listed, one unseen, one not listed")
            << QStringList{hubPort("1.9"), "# the bench by the window", "", hubPort("4.4"), hubPort("1.10")} << first
            << "1.9=1 1.10=3 1.3=4" << false << "1.2" << "1.9=1 1.10=3 1.2=4 1.3=5";
        QTest::newRow("remembered") << QStringList() << first << sorted << true << "1.2" << sorted + " 1.2=4";
    }

    void numbering()
    {
        QFETCH(QStringList, listed);
        QFETCH(QStringList, first);
        QFETCH(QString, numbers);
        QFETCH(bool, remember);
        QFETCH(QString, later);
        QFETCH(QString, numbersThen);
        Bench b;
        const QString file = b.dir.filePath("гнёзда.txt");
        QString error;
        if (!listed.isEmpty()) {
            writeAll(file, listed.join('\n').toUtf8());
            QVERIFY2(b.window->loadSockets(file, &error), qPrintable(error));
        }
        b.plug(first);
        QCOMPARE(b.numbers(), numbers);
        if (remember)
            QVERIFY(b.window->rememberSockets(file));
        b.plug({later});
        QCOMPARE(b.numbers(), numbersThen);
        if (!remember)
            return;
        // Another run on the same hub, the keyboards plugged in another order.
        Bench next;
        QVERIFY2(next.window->loadSockets(file, &error), qPrintable(error));
        next.plug({later});
        next.plug(first);
        QCOMPARE(next.numbers(), numbersThen);
    }

    void closingAsksFirst_data()
    {
        QTest::addColumn<bool>("logIsFolder");  // the log cannot be written
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<QStringList>("asked");  // the start of each question, in order
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("rows");           // in the log once the window is gone
        const QString inFlight = QStringLiteral("Клавиатуры ещё программируются (1)");
        const QString unwritten = QStringLiteral("Строк журнала не записано: 1");
        QTest::newRow("stay") << false << QMessageBox::No << QStringList{inFlight} << false << 1;
        QTest::newRow("interrupt") << false << QMessageBox::Yes << QStringList{inFlight} << true << 1;
        QTest::newRow("interrupt, log unwritable") << true << QMessageBox::Yes << QStringList{inFlight, unwritten}
                                                   << true << 0;
    }

    void closingAsksFirst()
    {
        QFETCH(bool, logIsFolder);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(QStringList, asked);
        QFETCH(bool, closed);
        QFETCH(int, rows);
        QTemporaryDir dir;
        const QString link = dir.filePath("kbd");
        SimKeyboard silent;
        QVERIFY2(silent.start({"--gap", "30", "--link", link, "--upload-answer", "none"}), qPrintable(silent.error()));
        qputenv("RASKLADKA_EXTRA_PORTS", (link + "=Magnetic Stripe Reader (sim)").toUtf8());
        QByteArray image(ImageSize, '\0');
        image[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
        QFile kmp(dir.filePath("layout.kmp"));
        QVERIFY(kmp.open(QIODevice::WriteOnly) && kmp.write(image) == ImageSize);
        kmp.close();
        const QString log = dir.filePath("log.csv");
        if (logIsFolder)
            QVERIFY(QDir().mkdir(log));

        StationWindow::Options options;
        options.timings.answerMs = 60000;
        options.logPath = log;
        auto* window = new StationWindow(options);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<StationWindow> alive(window);
        window->show();
        QVERIFY(window->openLayout(kmp.fileName()));
        window->start();
        QTRY_VERIFY(silent.waitForLog("upload of", 100));

        QStringList questions;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                questions << box->text();
                box->button(answer)->click();
            }
        });
        answerer.start(20);
        window->close();
        answerer.stop();
        QCOMPARE(questions.size(), asked.size());
        for (int i = 0; i < asked.size(); ++i)
            QVERIFY2(questions[i].startsWith(asked[i]), qPrintable(questions[i]));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(alive.isNull(), closed);
        delete alive;
        QFile csv(log);
        const QStringList lines = csv.open(QIODevice::ReadOnly) ? QString::fromUtf8(csv.readAll()).split('\n', Qt::SkipEmptyParts)
                                                                : QStringList();
        QCOMPARE(lines.size(), rows ? rows + 1 : 0);
        // Cut short by the close, or by the window going away when it stayed: a row either way.
        if (rows)
            QVERIFY2(lines.last().contains(",прервано,"), qPrintable(lines.join('\n')));
    }
};

QTEST_MAIN(TestStationWindow)
#include "tst_stationwindow.moc"
