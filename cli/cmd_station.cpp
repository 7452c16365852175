// raskladka-cli station FILE: programs every keyboard as it is plugged in.
#include "clicommand.h"
#include "clioptions.h"

#include "consoletransfer.h"
#include "stationengine.h"
#include "stationlog.h"
#include "stoprequest.h"
#include "uploadreport.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFile>

#include <memory>

namespace {
class Station
{
public:
    Station(CliContext& ctx, StationEngine& engine, int count, QFile* csv)
        : m_ctx(ctx), m_engine(engine), m_count(count), m_csv(csv)
    {
        QObject::connect(&engine, &StationEngine::keyboardFound, &m_loop, [this](const QString& socket, const QString& device) {
            m_ctx.err << socketText(socket, device) << QStringLiteral(": клавиатура подключена, загрузка\n");
            m_ctx.err.flush();
        });
        QObject::connect(&engine, &StationEngine::keyboardDone, &m_loop, [this](const UploadResult& r) { ended(r); });
        QObject::connect(&engine, &StationEngine::idle, &m_loop, &QEventLoop::quit);
    }

    int run()
    {
        // The first Ctrl-C lets the transfers in flight finish, the second ends
        // them with a row each; a third is left to the system.
        StopRequest stop(2);
        QObject::connect(&stop, &StopRequest::stopRequested, &m_loop, [this](int count) {
            if (count == 1)
                this->stop(QStringLiteral("остановка: загрузки, что идут, будут закончены (ещё Ctrl-C: прервать их)"));
            else
                m_engine.interrupt(QStringLiteral("прервано"));
        });
        m_ctx.err << QStringLiteral("Ожидание клавиатур (Ctrl-C: закончить)\n");
        m_ctx.err.flush();
        m_engine.watch();
        m_loop.exec();
        m_ctx.out << QStringLiteral("Итого: запрограммированы %1, не удалось %2\n").arg(m_good).arg(m_bad);
        return m_bad == 0 ? ExitOk : ExitInvalid;
    }

private:
    void ended(const UploadResult& r)
    {
        (r.ok ? m_good : m_bad)++;
        const QDateTime now = QDateTime::currentDateTime();
        m_ctx.out << now.toString(QStringLiteral("HH:mm:ss")) << ' ' << resultLine(r)
                  << QStringLiteral(" [запрограммированы %1, не удалось %2]\n").arg(m_good).arg(m_bad);
        m_ctx.out.flush();
        if (m_csv) {
            m_csv->write(stationLogRow(r, now));
            m_csv->flush();
        }
        if (m_count > 0 && m_good >= m_count)
            stop({});
    }

    void stop(const QString& why)
    {
        if (!why.isEmpty() && !m_engine.stopping()) {
            m_ctx.err << why << "\n";
            m_ctx.err.flush();
        }
        m_engine.stop();
    }

    CliContext& m_ctx;
    StationEngine& m_engine;
    int m_count;
    QFile* m_csv;
    QEventLoop m_loop;
    int m_good = 0;
    int m_bad = 0;
};

int run(CliContext& ctx)
{
    // --port is known only to say that station finds the ports itself.
    const CliOptions parsed(ctx, {{"--port P", ""}});
    TransferOptions options;
    if (const QString error = parsed.transferError(options.timings); !error.isEmpty())
        return cliUsage(ctx, error);
    const bool verify = parsed.isSet(QStringLiteral("verify"));
    const QString countText = parsed.value(QStringLiteral("count"));
    const QString csvPath = parsed.value(QStringLiteral("log"));
    bool countOk = true;
    const int count = countText.isEmpty() ? 0 : countText.toInt(&countOk);
    if (!countOk || count < 0 || (!countText.isEmpty() && count == 0))
        return cliUsage(ctx, QStringLiteral("--count ожидает число клавиатур от 1"));
    if (parsed.isSet(QStringLiteral("port")))
        return cliUsage(ctx, QStringLiteral("station сама находит порты клавиатур"));
    QByteArray image;
    if (const int status = takeImageArgument(ctx, parsed.positional(), verify, options.timings, image); status >= 0)
        return status;
    QFile csv(csvPath);
    if (!csvPath.isEmpty() && !openStationLog(csv))
        return cliFail(ctx, ExitInvalid, csvPath + QStringLiteral(": ") + csv.errorString());
    StationEngine engine(image, options.timings, verify);
    Station station(ctx, engine, count, csvPath.isEmpty() ? nullptr : &csv);
    return station.run();
}
}  // namespace

static CliCommand reg{
    "station", "station FILE [--verify] [--count N] [--log FILE.csv] [--answer-wait MS] [--reboot-wait MS] "
               "[--read-wait MS]",
    "Program each keyboard as it is plugged in.",
    "Programs each keyboard as soon as it appears, as upload does, printing a line per keyboard with the "
    "running tally. A keyboard is known by its socket: its /dev/serial/by-path link (stable while it "
    "re-enumerates), else the port name; an entry of RASKLADKA_EXTRA_PORTS is its path's socket while the path "
    "exists. Ports are looked at when udev tells of a change, and every 500 ms.\n\n"
    "A keyboard pulled out during its transfer or read-back fails at once, and the next one in that socket is "
    "programmed as soon as it appears. One that leaves during its restart wait and comes back in time is the "
    "same keyboard: not programmed again and, with --verify, read back once it is there. Where the port "
    "reports a USB serial number and another comes back, the first keyboard's row says it was removed and the "
    "new one is programmed. Without a serial number and without --verify, a keyboard swapped in during the "
    "restart wait cannot be told from one that restarted: use --verify at a station.\n\n"
    "It goes on until N keyboards were programmed, or Ctrl-C, which lets the transfers in flight finish "
    "first (a second Ctrl-C ends them, with a row \"прервано\" each); then it prints the tally.",
    {{"--verify", "Read each image back after the restart wait and compare it, as upload --verify does."},
     {"--count N", "Stop once N keyboards were programmed (N from 1)."},
     {"--log FILE.csv", "Append a row per keyboard: time,port,result,checksum,seconds,verified (port is the "
                        "socket; verified is да or нет with --verify, empty without); a new or empty file gets "
                        "that header first."},
     {"--answer-wait MS", "Time between the last byte sent and reading the answer (default 5000)."},
     {"--reboot-wait MS", "Time the keyboard is given to restart (default 5000)."},
     {"--read-wait MS", "With --verify: time between the read request and reading the image (default 3500)."}},
    "0  no keyboard failed\n1  a keyboard failed, FILE is not valid, or the log cannot be opened\n"
    "2  usage error",
    run};
