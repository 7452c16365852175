// How the station engine scales: N simulated keyboards programmed and read back
// at once against one, waits shortened, and the longest the event loop was
// held up meanwhile (a 1 ms timer that notes the largest gap between its
// ticks). Not a test: run it by hand, on a quiet machine if you can.
//
//   bench_station [RUNS] [WAIT_MS]   (default 5 runs, medians; each of the three waits 300 ms)
#include "keyimage.h"
#include "stationbench.h"
#include "stationengine.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {
int g_waitMs = 300;

StationRun programAtOnce(const QStringList& ports)
{
    StationRun run;
    QEventLoop loop;
    StationEngine engine(QByteArray(ImageSize, '\0'), {1000, g_waitMs, g_waitMs, g_waitMs}, true);
    QObject::connect(&engine, &StationEngine::keyboardDone, &loop, [&](const UploadResult& r) { run.good += r.ok; });
    QObject::connect(&engine, &StationEngine::idle, &loop, &QEventLoop::quit);
    StallProbe probe;
    QElapsedTimer clock;
    clock.start();
    probe.start();
    engine.programOnce(ports);
    loop.exec();
    run.seconds = clock.elapsed() / 1000.0;
    run.stallMs = probe.stallMs();
    run.busyMs = probe.busyMs();
    return run;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    g_waitMs = argc > 2 ? std::max(0, atoi(argv[2])) : 300;
    const QByteArray title = QStringLiteral("waits %1/%1/%1 ms with read-back").arg(g_waitMs).toUtf8();
    SimulatedKeyboards keyboards;
    if (!keyboards.start(32))
        return 1;
    return compareOneWithAll(keyboards.links(), runs, title.constData(), programAtOnce);
}
