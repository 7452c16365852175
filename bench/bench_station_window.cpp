// The station window with 32 simulated keyboards found at once against one:
// the time from Пуск to the last verdict, and the longest the window's event
// loop was held up meanwhile (a 1 ms timer that notes the largest gap between
// its ticks), tiles, bars and counters included. Not a test: run it by hand,
// on a quiet machine if you can, under Xvfb or with QT_QPA_PLATFORM=offscreen.
//
//   bench_station_window [RUNS]      (default 5; prints medians)
#include "keyimage.h"
#include "stationwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
struct Run {
    double seconds = 0;
    double stallMs = 0;
    int good = 0;
};

Run programInWindow(const QStringList& links, const QString& layout, const QString& log)
{
    QStringList extra;
    for (const QString& link : links)
        extra << link + QStringLiteral("=Magnetic Stripe Reader (sim)");
    qputenv("RASKLADKA_EXTRA_PORTS", extra.join(';').toUtf8());
    StationWindow::Options options;
    options.timings = {1000, 300, 300, 300};
    options.logPath = log;
    StationWindow window(options);
    window.show();
    if (!window.openLayout(layout))
        return {};
    // Timed from a window already on the screen, as a technician's is.
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();

    Run run;
    int verdicts = 0;
    QEventLoop loop;
    QObject::connect(&window, &StationWindow::verdictShown, &loop, [&](int, const QString&, bool ok, const QString&) {
        run.good += ok;
        if (++verdicts == links.size())
            loop.quit();
    });
    QElapsedTimer tick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &loop, [&] {
        run.stallMs = std::max(run.stallMs, tick.nsecsElapsed() / 1e6);
        tick.restart();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    tick.start();
    probe.start(1);
    limit.start(60000);
    window.start();
    loop.exec();
    run.seconds = clock.elapsed() / 1000.0;
    probe.stop();
    QEventLoop stopping;
    QObject::connect(&window, &StationWindow::stopped, &stopping, &QEventLoop::quit);
    window.stop();
    if (window.running())
        stopping.exec();
    return run;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString layout = dir.filePath("layout.kmp");
    QByteArray image(ImageSize, '\0');
    image[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
    QFile kmp(layout);
    if (!kmp.open(QIODevice::WriteOnly) || kmp.write(image) != ImageSize)
        return 1;
    kmp.close();
    std::vector<std::unique_ptr<QProcess>> sims;
    QStringList links;
    for (int i = 0; i < 32; ++i) {
        links << dir.filePath(QStringLiteral("kbd%1").arg(i, 2, 10, QLatin1Char('0')));
        sims.push_back(std::make_unique<QProcess>());
        sims.back()->start(QStringLiteral(RASKLADKA_SIMKBD), {"--gap", "30", "--link", links.last()});
        if (!sims.back()->waitForReadyRead(5000)) {
            std::fprintf(stderr, "the simulated keyboard did not start\n");
            return 1;
        }
    }
    std::vector<double> one, many, stallOne, stallMany;
    for (int r = 0; r < runs; ++r) {
        const Run a = programInWindow(links.mid(0, 1), layout, dir.filePath("one.csv"));
        const Run b = programInWindow(links, layout, dir.filePath("many.csv"));
        if (a.good != 1 || b.good != 32) {
            std::fprintf(stderr, "not every keyboard was programmed: %d of 1, %d of 32\n", a.good, b.good);
            return 1;
        }
        one.push_back(a.seconds);
        many.push_back(b.seconds);
        stallOne.push_back(a.stallMs);
        stallMany.push_back(b.stallMs);
    }
    std::printf("the window, waits 300/300/300 ms with read-back, Пуск to last verdict, median of %d runs:\n", runs);
    std::printf("  1 keyboard   %.3f s, largest event-loop stall %.1f ms\n", median(one), median(stallOne));
    std::printf("  32 at once   %.3f s, largest event-loop stall %.1f ms (worst run %.1f ms)\n", median(many),
                median(stallMany), *std::max_element(stallMany.begin(), stallMany.end()));
    std::printf("  ratio        %.3f\n", median(many) / median(one));
    for (auto& p : sims)
        p->terminate();
    for (auto& p : sims)
        p->waitForFinished(3000);
    return 0;
}
