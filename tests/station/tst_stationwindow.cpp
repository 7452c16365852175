// The station window: every socket's tile and every button in view on a small
// screen, the tiles numbered by socket, and closing it, which asks while a
// keyboard is in flight or rows wait for the log.
#include "keyimage.h"
#include "sockettile.h"
#include "stationcore/fakestation.h"
#include "stationwindow.h"
#include "tools/simkbdprocess.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString hubPort(const QString& port)
{
    return QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:%1:1.0").arg(port);
}

// A layout of no keys, as a file the window can open.
QString writeLayout(const QTemporaryDir& dir)
{
    QByteArray image(ImageSize, '\0');
    image[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
    QFile kmp(dir.filePath("layout.kmp"));
    if (!kmp.open(QIODevice::WriteOnly) || kmp.write(image) != ImageSize)
        return {};
    return kmp.fileName();
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
        options.environment = {&clock, [this] { return std::make_unique<FakeBenchLink>(bench); },
                               [this] { return bench.present(); }, false};
        window = std::make_unique<StationWindow>(options);
        window->resize(size);
        window->show();
    }
    bool start() { return QTest::qWaitForWindowExposed(window.get()) && window->openLayout(writeLayout(dir)) && (window->start(), true); }
    void plug(const QStringList& ports, bool answer = true)
    {
        for (const QString& port : ports) {
            keyboards[port].answers = answer;
            bench.plug(hubPort(port), &keyboards[port]);
        }
        clock.advanceTo(clock.nowMs() + StationEngine::PollMs);
    }
    QString numbers() const
    {
        QStringList out;
        for (const auto& [port, k] : keyboards)
            out << port + '=' + QString::number(window->tileNumber(hubPort(port)));
        return out.join(' ');
    }
};

// Whole and unobscured within the window, as a technician sees it.
bool wholeInView(const QWidget* w)
{
    return w->isVisible() && w->visibleRegion() == QRegion(w->rect()) &&
           w->window()->rect().contains(QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()));
}

// The tile's verdict: its whole text is the tooltip, and it is all within the label.
QString verdictProblem(const SocketTile* tile)
{
    for (const QLabel* label : tile->findChildren<QLabel*>()) {
        if (label->toolTip() != tile->verdictText())
            continue;
        if (QString(label->text()).replace('\n', ", ") != tile->verdictText())
            return "the verdict reads " + label->text();
        const QRect room = label->contentsRect();
        if (!label->wordWrap() || !room.contains(label->fontMetrics().boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, label->text())))
            return "the verdict does not fit: " + label->text();
        return wholeInView(label) ? QString() : "the verdict is out of view";
    }
    return "no verdict with its text as tooltip";
}

QString viewProblem(const StationWindow& window)
{
    for (const SocketTile* tile : window.findChildren<SocketTile*>()) {
        if (!wholeInView(tile))
            return QStringLiteral("tile %1 is out of view").arg(tile->number());
        if (!tile->verdictText().isEmpty() && !verdictProblem(tile).isEmpty())
            return QStringLiteral("tile %1: ").arg(tile->number()) + verdictProblem(tile);
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

    // Every tile, its verdict, and every button, whole in view; the failed ones listed above the tiles.
    void tilesInView()
    {
        QFETCH(QSize, size);
        QFETCH(int, sockets);
        Bench b(size);
        QVERIFY(b.start());
        QStringList ports, silent;
        for (int i = 1; i <= sockets; ++i)
            (i % 5 == 3 ? silent : ports) << QStringLiteral("1.%1.%2").arg(1 + (i - 1) / 8).arg(1 + (i - 1) % 8);
        b.plug(ports);
        b.plug(silent, false);
        QCOMPARE(b.window->size(), size);
        const QList<SocketTile*> tiles = b.window->findChildren<SocketTile*>();
        QCOMPARE(tiles.size(), sockets);
        QCoreApplication::processEvents();
        QVERIFY2(viewProblem(*b.window).isEmpty(), qPrintable("in flight: " + viewProblem(*b.window)));
        b.clock.advanceTo(b.clock.nowMs() + 10000);
        QCoreApplication::processEvents();
        if (const QByteArray shot = qgetenv("RASKLADKA_STATION_SHOT"); !shot.isEmpty() && sockets == 32)
            b.window->grab().save(QString::fromLocal8Bit(shot) + QStringLiteral("-%1x%2.png").arg(size.width()).arg(size.height()));
        QVERIFY2(viewProblem(*b.window).isEmpty(), qPrintable(viewProblem(*b.window)));
        // The longest verdict there is, on a tile of the size these have.
        UploadResult replaced;
        replaced.kind = StationOutcome::Differed;
        replaced.slot = 67;
        replaced.afterLeaving = true;
        replaced.outcome = outcomeText(replaced);
        replaced.seconds = 12.3;
        SocketTile alone(1, hubPort("1.1.1"), {}, true);
        alone.setFixedSize(tiles.first()->size());
        alone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&alone));
        alone.startKeyboard("/dev/ttyACM0", {}, true);
        alone.showResult(replaced);
        QCOMPARE(alone.verdictText(), replaced.outcome + ", 12.3 с");
        QVERIFY2(verdictProblem(&alone).isEmpty(), qPrintable(verdictProblem(&alone)));

        QList<int> failed;
        for (const QString& port : silent)
            failed << b.window->tileNumber(hubPort(port));
        std::sort(failed.begin(), failed.end());
        QStringList listed;
        for (int n : failed)
            listed << QString::number(n);
        const QLabel* line = nullptr;
        for (const QLabel* label : b.window->findChildren<QLabel*>())
            if (label->text().startsWith("Ошибки: "))
                line = label;
        QVERIFY(line && wholeInView(line));
        QCOMPARE(line->text(), "Ошибки: " + listed.join(", "));
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
        QTest::newRow("sorted") << QStringList() << first << "1.10=3 1.3=1 1.9=2" << false << "1.2"
                                << "1.10=4 1.2=1 1.3=2 1.9=3";
        QTest::newRow("sorted, after the last") << QStringList() << first << "1.10=3 1.3=1 1.9=2" << false << "2.1"
                                                << "1.10=3 1.3=1 1.9=2 2.1=4";
        QTest::newRow("listed, one unseen, one not listed")
            << QStringList{hubPort("1.9"), "# the bench by the window", "", hubPort("4.4"), hubPort("1.10")} << first
            << "1.10=3 1.3=4 1.9=1" << false << "1.2" << "1.10=3 1.2=4 1.3=5 1.9=1";
        QTest::newRow("remembered") << QStringList() << first << "1.10=3 1.3=1 1.9=2" << true << "1.2"
                                    << "1.10=3 1.2=4 1.3=1 1.9=2";
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
        if (!listed.isEmpty()) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(listed.join('\n').toUtf8()) > 0);
            f.close();
            QString error;
            QVERIFY2(b.window->loadSockets(file, &error), qPrintable(error));
        }
        QVERIFY(b.start());
        b.plug(first);
        QCOMPARE(b.numbers(), numbers);
        if (remember)
            QVERIFY(b.window->rememberSockets(file));
        b.plug({later});
        QCOMPARE(b.numbers(), numbersThen);
        // The tiles in the order of their numbers, row by row.
        QList<SocketTile*> tiles = b.window->findChildren<SocketTile*>();
        std::sort(tiles.begin(), tiles.end(), [](auto* x, auto* y) { return x->number() < y->number(); });
        for (qsizetype i = 1; i < tiles.size(); ++i)
            QVERIFY(std::pair(tiles[i - 1]->y(), tiles[i - 1]->x()) < std::pair(tiles[i]->y(), tiles[i]->x()));
        if (!remember)
            return;
        // Another run on the same hub, the keyboards plugged in another order.
        Bench next;
        QString error;
        QVERIFY2(next.window->loadSockets(file, &error), qPrintable(error));
        QVERIFY(next.start());
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
