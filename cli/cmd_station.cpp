// raskladka-cli station FILE: programs every keyboard as it is plugged in.
#include "clicommand.h"

#include "consoletransfer.h"
#include "uploadreport.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <map>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
constexpr int PollMs = 500;

// Ctrl-C (or SIGTERM) asks the station to stop through this pipe; a second one ends it at once.
int g_stopPipe[2] = {-1, -1};
void onStopSignal(int sig)
{
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_stopPipe[1], &c, 1);
    std::signal(sig, SIG_DFL);
}

QString csvField(QString s)
{
    if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')))
        return s;
    return QLatin1Char('"') + s.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString verifiedText(Verification v)
{
    switch (v) {
    case Verification::NotAsked: return {};
    case Verification::Matched: return QStringLiteral("да");
    case Verification::Differed:
    case Verification::Failed: return QStringLiteral("нет");
    }
    return {};
}

class Station
{
public:
    Station(CliContext& ctx, QByteArray image, LoaderTimings timings, bool verify, int count, QFile* csv)
        : m_ctx(ctx), m_image(std::move(image)), m_timings(timings), m_verify(verify), m_count(count), m_csv(csv)
    {
        m_poll.setInterval(PollMs);
        QObject::connect(&m_poll, &QTimer::timeout, &m_loop, [this] { scan(); });
    }

    int run()
    {
        if (::pipe(g_stopPipe) == 0) {
            m_stopNotifier = std::make_unique<QSocketNotifier>(g_stopPipe[0], QSocketNotifier::Read);
            QObject::connect(m_stopNotifier.get(), &QSocketNotifier::activated, &m_loop, [this] {
                char c;
                [[maybe_unused]] const ssize_t n = ::read(g_stopPipe[0], &c, 1);
                stop(QStringLiteral("остановка: загрузки, что идут, будут закончены"));
            });
            std::signal(SIGINT, onStopSignal);
            std::signal(SIGTERM, onStopSignal);
        }
        m_ctx.err << QStringLiteral("Ожидание клавиатур (Ctrl-C: закончить)\n");
        m_ctx.err.flush();
        scan();
        m_poll.start();
        m_loop.exec();
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        m_stopNotifier.reset();
        for (int& fd : g_stopPipe)
            if (fd >= 0)
                ::close(std::exchange(fd, -1));
        m_ctx.out << QStringLiteral("Итого: запрограммированы %1, не удалось %2\n").arg(m_good).arg(m_bad);
        return m_bad == 0 ? ExitOk : ExitInvalid;
    }

private:
    void scan()
    {
        m_ended.clear();
        QStringList present;
        addPresentKeyboardPorts(present);
        // Gone from the list: the next time it appears, it is a keyboard plugged in again.
        for (auto it = m_handled.begin(); it != m_handled.end();)
            it = present.contains(*it) || m_active.count(*it) ? std::next(it) : m_handled.erase(it);
        if (m_stopping)
            return;
        for (const QString& port : present)
            if (!m_handled.contains(port))
                begin(port);
    }

    void begin(const QString& port)
    {
        m_handled.insert(port);
        m_ctx.err << port << QStringLiteral(": клавиатура подключена, загрузка\n");
        m_ctx.err.flush();
        auto job = std::make_unique<UploadJob>(port, m_image, m_timings, m_verify);
        QObject::connect(job.get(), &UploadJob::finished, &m_loop, [this](const UploadResult& r) { ended(r); });
        job->start();
        m_active[port] = std::move(job);
    }

    void ended(const UploadResult& r)
    {
        // Not destroyed inside its own signal: kept until the next scan.
        m_ended.push_back(std::move(m_active[r.port]));
        m_active.erase(r.port);
        (r.ok ? m_good : m_bad)++;
        const QDateTime now = QDateTime::currentDateTime();
        m_ctx.out << now.toString(QStringLiteral("HH:mm:ss")) << ' ' << resultLine(r)
                  << QStringLiteral(" [запрограммированы %1, не удалось %2]\n").arg(m_good).arg(m_bad);
        m_ctx.out.flush();
        if (m_csv) {
            const QStringList row{now.toString(Qt::ISODate),
                                  r.port,
                                  r.reason.isEmpty() ? r.outcome : r.outcome + QStringLiteral(" (") + r.reason + ')',
                                  QString::asprintf("0x%02X", r.checksum),
                                  QString::number(r.seconds, 'f', 1),
                                  verifiedText(r.verification)};
            QStringList fields;
            for (const QString& f : row)
                fields << csvField(f);
            m_csv->write((fields.join(QLatin1Char(',')) + QLatin1Char('\n')).toUtf8());
            m_csv->flush();
        }
        if (m_count > 0 && m_good >= m_count)
            stop({});
        else if (m_stopping && m_active.empty())
            m_loop.quit();
    }

    void stop(const QString& why)
    {
        if (!why.isEmpty() && !m_stopping) {
            m_ctx.err << why << "\n";
            m_ctx.err.flush();
        }
        m_stopping = true;
        m_poll.stop();
        if (m_active.empty())
            m_loop.quit();
    }

    CliContext& m_ctx;
    QByteArray m_image;
    LoaderTimings m_timings;
    bool m_verify;
    int m_count;
    QFile* m_csv;
    QEventLoop m_loop;
    QTimer m_poll;
    std::unique_ptr<QSocketNotifier> m_stopNotifier;
    QSet<QString> m_handled;  // programmed (or being programmed) since it appeared
    std::map<QString, std::unique_ptr<UploadJob>> m_active;
    std::vector<std::unique_ptr<UploadJob>> m_ended;
    bool m_stopping = false;
    int m_good = 0;
    int m_bad = 0;
};

// Takes "--NAME VALUE" out of `args`. False with `error` when the value is missing.
bool takeValue(QStringList& args, const QString& name, QString& value, QString* error)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return true;
    if (i + 1 >= args.size() || args.at(i + 1).isEmpty()) {
        *error = QStringLiteral("%1 ожидает значение").arg(name);
        return false;
    }
    value = args.at(i + 1);
    args.remove(i, 2);
    return true;
}

int run(CliContext& ctx)
{
    QString error;
    QString countText;
    QString csvPath;
    TransferOptions options;
    const bool verify = takeFlag(ctx.args, QStringLiteral("--verify"));
    if (!takeValue(ctx.args, QStringLiteral("--count"), countText, &error) ||
        !takeValue(ctx.args, QStringLiteral("--log"), csvPath, &error) ||
        !takeTransferOptions(ctx.args, options, &error))
        return cliUsage(ctx, error);
    bool countOk = true;
    const int count = countText.isEmpty() ? 0 : countText.toInt(&countOk);
    if (!countOk || count < 0 || (!countText.isEmpty() && count == 0))
        return cliUsage(ctx, QStringLiteral("--count ожидает число клавиатур от 1"));
    if (!options.port.isEmpty())
        return cliUsage(ctx, QStringLiteral("station сама находит порты клавиатур"));
    if (options.verbose)
        return cliUsage(ctx, QStringLiteral("неизвестный параметр -v"));
    QByteArray image;
    if (const int status = takeImageArgument(ctx, verify, options.timings, image); status >= 0)
        return status;
    QFile csv(csvPath);
    if (!csvPath.isEmpty()) {
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Append))
            return cliFail(ctx, ExitInvalid, csvPath + QStringLiteral(": ") + csv.errorString());
        if (csv.size() == 0)
            csv.write("time,port,result,checksum,seconds,verified\n");
    }
    Station station(ctx, image, options.timings, verify, count, csvPath.isEmpty() ? nullptr : &csv);
    return station.run();
}
}  // namespace

static CliCommand reg{
    "station", "station FILE [--verify] [--count N] [--log FILE.csv] [--answer-wait MS] [--reboot-wait MS] "
               "[--read-wait MS]",
    "Program each keyboard as it is plugged in.",
    "Watches the keyboard ports (every 500 ms; RASKLADKA_EXTRA_PORTS entries count while their path exists) "
    "and programs each keyboard as soon as it appears, as upload does, printing a line per keyboard with the "
    "running tally. A keyboard that stays plugged in is programmed once; unplugged and plugged in again, it "
    "is programmed again.\n\n"
    "It goes on until N keyboards were programmed, or Ctrl-C, which lets the transfers in flight finish "
    "first (a second Ctrl-C ends it at once); then it prints the tally.",
    {{"--verify", "Read each image back after the restart wait and compare it, as upload --verify does."},
     {"--count N", "Stop once N keyboards were programmed (N from 1)."},
     {"--log FILE.csv", "Append a row per keyboard: time,port,result,checksum,seconds,verified (verified is "
                        "да or нет with --verify, empty without); a new or empty file gets that header first."},
     {"--answer-wait MS", "Time between the last byte sent and reading the answer (default 5000)."},
     {"--reboot-wait MS", "Time the keyboard is given to restart (default 5000)."},
     {"--read-wait MS", "With --verify: time between the read request and reading the image (default 3500)."}},
    "0  no keyboard failed\n1  a keyboard failed, FILE is not valid, or the log cannot be opened\n"
    "2  usage error",
    run};
