#pragma once
// What the station benchmarks share: simulated keyboards on fixed links, a probe
// of the event loop's longest stall, and one keyboard timed against them all.
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

struct StationRun {
    double seconds = 0;
    double stallMs = 0;
    double busyMs = 0;
    int good = 0;
};

// The largest gap between the ticks of a 1 ms timer: how long the event loop was held
// up. On a busy machine much of a gap is the thread waiting for a core; the processor
// time the thread used within the gap is what the program itself held it up for.
class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_stallMs = std::max(m_stallMs, m_tick.nsecsElapsed() / 1e6);
            const double cpu = threadCpuMs();
            m_busyMs = std::max(m_busyMs, cpu - m_cpuAtTick);
            m_cpuAtTick = cpu;
            m_tick.restart();
        });
    }
    void start()
    {
        m_tick.start();
        m_cpuAtTick = threadCpuMs();
        m_timer.start(1);
    }
    double stallMs() const { return m_stallMs; }
    double busyMs() const { return m_busyMs; }

private:
    static double threadCpuMs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    }

    QElapsedTimer m_tick;
    QTimer m_timer;
    double m_stallMs = 0;
    double m_busyMs = 0;
    double m_cpuAtTick = 0;
};

// `count` simulated keyboards, each on a link in a folder of its own, until destroyed.
class SimulatedKeyboards
{
public:
    bool start(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_links << m_dir.filePath(QStringLiteral("kbd%1").arg(i, 2, 10, QLatin1Char('0')));
            m_sims.push_back(std::make_unique<QProcess>());
            m_sims.back()->start(QStringLiteral(RASKLADKA_SIMKBD), {"--gap", "30", "--link", m_links.last()});
            if (!m_sims.back()->waitForReadyRead(5000)) {
                std::fprintf(stderr, "the simulated keyboard did not start\n");
                return false;
            }
        }
        return true;
    }
    ~SimulatedKeyboards()
    {
        for (auto& p : m_sims)
            p->terminate();
        for (auto& p : m_sims)
            p->waitForFinished(3000);
    }
    const QStringList& links() const { return m_links; }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_sims;
    QStringList m_links;
};

// Times `program` on the first keyboard, then on all of them, `runs` times,
// and prints the medians under `title`. The exit status for main().
inline int compareOneWithAll(const QStringList& links, int runs, const char* title,
                             const std::function<StationRun(const QStringList&)>& program)
{
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const int all = int(links.size());
    std::vector<double> one, many, stallOne, stallMany, busyMany;
    for (int r = 0; r < runs; ++r) {
        const StationRun a = program(links.mid(0, 1));
        const StationRun b = program(links);
        if (a.good != 1 || b.good != all) {
            std::fprintf(stderr, "not every keyboard was programmed: %d of 1, %d of %d\n", a.good, b.good, all);
            return 1;
        }
        one.push_back(a.seconds);
        many.push_back(b.seconds);
        stallOne.push_back(a.stallMs);
        stallMany.push_back(b.stallMs);
        busyMany.push_back(b.busyMs);
    }
    std::printf("%s, median of %d runs:\n", title, runs);
    std::printf("  1 keyboard   %.3f s, largest event-loop stall %.1f ms\n", median(one), median(stallOne));
    std::printf("  %d at once   %.3f s, largest event-loop stall %.1f ms (worst run %.1f ms)\n", all, median(many),
                median(stallMany), *std::max_element(stallMany.begin(), stallMany.end()));
    std::printf("  %d at once   longest the loop itself was busy between two ticks: %.1f ms (worst run %.1f ms)\n", all,
                median(busyMany), *std::max_element(busyMany.begin(), busyMany.end()));
    std::printf("  ratio        %.3f\n", median(many) / median(one));
    return 0;
}
