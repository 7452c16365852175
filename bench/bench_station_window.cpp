// The station window with 32 simulated keyboards found at once against one:
// the time from Пуск to the last verdict, and the longest the window's event
// loop was held up meanwhile (a 1 ms timer that notes the largest gap between
// its ticks), tiles, bars and counters included. Not a test: run it by hand,
// on a quiet machine if you can, under Xvfb or with QT_QPA_PLATFORM=offscreen.
//
//   bench_station_window [RUNS] [WAIT_MS]   (default 5 runs, medians; each wait 300 ms)
#include "keyimage.h"
#include "stationbench.h"
#include "stationwindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QWindow>

namespace {
int g_waitMs = 300;
StationRun programInWindow(const QStringList& links, const QString& layout, const QString& log)
{
    QStringList extra;
    for (const QString& link : links)
        extra << link + QStringLiteral("=Magnetic Stripe Reader (sim)");
    qputenv("RASKLADKA_EXTRA_PORTS", extra.join(';').toUtf8());
    StationWindow::Options options;
    options.timings = {1000, g_waitMs, g_waitMs, g_waitMs};
    options.logPath = log;
    StationWindow window(options);
    window.show();
    if (!window.openLayout(layout))
        return {};
    // Timed from a window already on the screen, as a technician's is.
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();

    StationRun run;
    int verdicts = 0;
    QEventLoop loop;
    QObject::connect(&window, &StationWindow::verdictShown, &loop, [&](int, const QString&, bool ok, const QString&) {
        run.good += ok;
        if (++verdicts == links.size())
            loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    StallProbe probe;
    QElapsedTimer clock;
    clock.start();
    probe.start();
    window.start();
    loop.exec();
    run.seconds = clock.elapsed() / 1000.0;
    run.stallMs = probe.stallMs();
    run.busyMs = probe.busyMs();
    QEventLoop stopping;
    QObject::connect(&window, &StationWindow::stopped, &stopping, &QEventLoop::quit);
    window.stop();
    if (window.running())
        stopping.exec();
    return run;
}
}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    g_waitMs = argc > 2 ? std::max(0, atoi(argv[2])) : 300;
    const QByteArray title =
        QStringLiteral("the window, waits %1/%1/%1 ms with read-back, Пуск to last verdict").arg(g_waitMs).toUtf8();
    SimulatedKeyboards keyboards;
    if (!keyboards.start(32))
        return 1;
    const QString layout = keyboards.filePath("layout.kmp");
    QByteArray image(ImageSize, '\0');
    image[ImageChecksumOffset] = char(imageChecksum(reinterpret_cast<const uint8_t*>(image.constData())));
    QFile kmp(layout);
    if (!kmp.open(QIODevice::WriteOnly) || kmp.write(image) != ImageSize)
        return 1;
    kmp.close();
    const QString log = keyboards.filePath("log.csv");
    return compareOneWithAll(keyboards.links(), runs,
                             title.constData(),
                             [&](const QStringList& links) { return programInWindow(links, layout, log); });
}
