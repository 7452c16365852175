// How the station engine scales: N simulated keyboards programmed and read back
// at once against one, waits shortened, and the longest the event loop was
// held up meanwhile (a 1 ms timer that notes the largest gap between its
// ticks). Not a test: run it by hand, on a quiet machine if you can.
//
//   bench_station [RUNS]      (default 5; prints medians)
#include "keyimage.h"
#include "stationengine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

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

Run programAtOnce(const QStringList& ports)
{
    Run run;
    QEventLoop loop;
    StationEngine engine(QByteArray(ImageSize, '\0'), {1000, 300, 300, 300}, true);
    QObject::connect(&engine, &StationEngine::keyboardDone, &loop, [&](const UploadResult& r) { run.good += r.ok; });
    QObject::connect(&engine, &StationEngine::idle, &loop, &QEventLoop::quit);
    QElapsedTimer tick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &loop, [&] {
        run.stallMs = std::max(run.stallMs, tick.nsecsElapsed() / 1e6);
        tick.restart();
    });
    QElapsedTimer clock;
    clock.start();
    tick.start();
    probe.start(1);
    engine.programOnce(ports);
    loop.exec();
    run.seconds = clock.elapsed() / 1000.0;
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
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString simkbd = QStringLiteral(RASKLADKA_SIMKBD);
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> sims;
    QStringList ports;
    for (int i = 0; i < 32; ++i) {
        const QString link = dir.filePath(QStringLiteral("kbd%1").arg(i));
        sims.push_back(std::make_unique<QProcess>());
        sims.back()->start(simkbd, {"--gap", "30", "--link", link});
        if (!sims.back()->waitForReadyRead(5000)) {
            std::fprintf(stderr, "the simulated keyboard did not start\n");
            return 1;
        }
        ports << link;
    }
    std::vector<double> one, many, stallOne, stallMany;
    for (int r = 0; r < runs; ++r) {
        const Run a = programAtOnce(ports.mid(0, 1));
        const Run b = programAtOnce(ports);
        if (a.good != 1 || b.good != 32) {
            std::fprintf(stderr, "not every keyboard was programmed: %d of 1, %d of 32\n", a.good, b.good);
            return 1;
        }
        one.push_back(a.seconds);
        many.push_back(b.seconds);
        stallOne.push_back(a.stallMs);
        stallMany.push_back(b.stallMs);
    }
    std::printf("waits 300/300/300 ms with read-back, median of %d runs:\n", runs);
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
