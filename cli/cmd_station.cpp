// raskladka-cli station FILE: programs every keyboard as it is plugged in.
#include "clicommand.h"
#include "clioptions.h"

#include "fileproblem.h"
#include "stationsession.h"
#include "stoprequest.h"
#include "uploadreport.h"

#include <QDateTime>
#include <QEventLoop>
#include <QDir>
#include <QFileInfo>

namespace {
class Station
{
public:
    Station(CliContext& ctx, StationSession& session) : m_ctx(ctx), m_session(session)
    {
        QObject::connect(&session, &StationSession::keyboardFound, &m_loop, [this](const QString& socket, const QString& device) {
            m_ctx.err << socketText(socket, device) << QStringLiteral(": клавиатура подключена, загрузка\n");
            m_ctx.err.flush();
        });
        QObject::connect(&session, &StationSession::keyboardDone, &m_loop, [this](const UploadResult& r) { ended(r); });
        QObject::connect(&session, &StationSession::logChanged, &m_loop, [this] { noteLog(); });
        QObject::connect(&session, &StationSession::idle, &m_loop, &QEventLoop::quit);
    }

    int run(const QByteArray& image)
    {
        // The first Ctrl-C lets the transfers in flight finish, the second ends
        // them with a row each; a third is left to the system.
        StopRequest stop(2);
        QObject::connect(&stop, &StopRequest::stopRequested, &m_loop, [this](int count) {
            if (count == 1)
                this->stop(QStringLiteral("остановка: загрузки, что идут, будут закончены (ещё Ctrl-C: прервать их)"));
            else
                m_session.interrupt();
        });
        m_session.openLog();
        m_ctx.err << QStringLiteral("Ожидание клавиатур (Ctrl-C: закончить)\n");
        m_ctx.err.flush();
        m_session.start(image);
        m_loop.exec();
        m_ctx.out << QStringLiteral("Итого: ") << m_session.tally().text() << "\n";
        m_ctx.out.flush();
        // A last try for rows kept; a row never written is a failure however the keyboards fared.
        if (m_session.unwrittenRows() > 0 && !m_session.writeLog()) {
            m_ctx.err << QStringLiteral("raskladka-cli: в журнал не записаны строки (%1): %2: %3\n")
                             .arg(m_session.unwrittenRows())
                             .arg(m_session.logPath(), m_session.logError());
            return ExitInvalid;
        }
        return m_session.tally().bad == 0 ? ExitOk : ExitInvalid;
    }

private:
    void ended(const UploadResult& r)
    {
        const QDateTime now = QDateTime::currentDateTime();
        m_ctx.out << now.toString(QStringLiteral("HH:mm:ss")) << ' ' << resultLine(r) << QStringLiteral(" [")
                  << m_session.tally().text() << "]\n";
        m_ctx.out.flush();
        if (m_session.options().count > 0 && m_session.tally().good >= m_session.options().count)
            stop({});
    }

    // Said once a failing spell: the rows are kept and written as soon as the file takes them.
    void noteLog()
    {
        const bool failing = !m_session.logError().isEmpty();
        if (failing && !m_told) {
            m_ctx.err << QStringLiteral("raskladka-cli: журнал не записывается: %1: %2; строки будут записаны, как "
                                        "только файл можно будет записать\n")
                             .arg(m_session.logPath(), m_session.logError());
            m_ctx.err.flush();
        }
        m_told = failing;
    }

    void stop(const QString& why)
    {
        if (!why.isEmpty() && !m_session.stopping()) {
            m_ctx.err << why << "\n";
            m_ctx.err.flush();
        }
        m_session.stop();
    }

    CliContext& m_ctx;
    StationSession& m_session;
    QEventLoop m_loop;
    bool m_told = false;
};

int run(CliContext& ctx)
{
    // --port is known only to say that station finds the ports itself; --verify,
    // once needed, is what it does anyway, and is still taken.
    const CliOptions parsed(ctx, {{"--port P", ""}, {"--verify", ""}});
    StationSession session;
    StationOptions& options = session.options();
    if (const QString error = parsed.transferError(options.timings); !error.isEmpty())
        return cliUsage(ctx, error);
    options.verify = !parsed.isSet(QStringLiteral("no-verify"));
    const QString countText = parsed.value(QStringLiteral("count"));
    const QString csvPath = parsed.value(QStringLiteral("log"));
    bool countOk = true;
    options.count = countText.isEmpty() ? 0 : countText.toInt(&countOk);
    if (!countOk || options.count < 0 || (!countText.isEmpty() && options.count == 0))
        return cliUsage(ctx, QStringLiteral("--count ожидает число клавиатур от 1"));
    if (parsed.isSet(QStringLiteral("port")))
        return cliUsage(ctx, QStringLiteral("station сама находит порты клавиатур"));
    if (parsed.isSet(QStringLiteral("verify")) && !options.verify)
        return cliUsage(ctx, QStringLiteral("--verify и --no-verify вместе"));
    QByteArray image;
    if (const int status = takeImageArgument(ctx, parsed.positional(), options.verify, options.timings, image);
        status >= 0)
        return status;
    options.layoutName = QFileInfo(parsed.positional().value(0)).fileName();
    // A log in a folder that is not there is a slip in its name, told before any
    // keyboard is programmed; any other fault the station outlives.
    if (!csvPath.isEmpty() && !QFileInfo(csvPath).absoluteDir().exists())
        return cliFail(ctx, ExitInvalid, csvPath + QStringLiteral(": ") + fileProblemText(csvPath, {}));
    session.setLogPath(csvPath);
    Station station(ctx, session);
    return station.run(image);
}
}  // namespace

static CliCommand reg{
    "station", "station FILE [--no-verify] [--count N] [--log FILE.csv] [--answer-wait MS] [--reboot-wait MS] "
               "[--read-wait MS]",
    "Program each keyboard as it is plugged in.",
    "Programs each keyboard as soon as it appears, as upload does, printing a line per keyboard with the "
    "running tally. A keyboard is known by its socket: its /dev/serial/by-path link (stable while it "
    "re-enumerates), else the port name; an entry of RASKLADKA_EXTRA_PORTS is its path's socket while the path "
    "exists. Ports are looked at when udev tells of a change, and every 500 ms.\n\n"
    "A keyboard pulled out during its transfer or read-back fails at once, and the next one in that socket is "
    "programmed as soon as it appears. One that leaves during its restart wait and comes back in time is the "
    "same keyboard: not programmed again and read back once it is there. Where the port "
    "reports a USB serial number and another comes back, the first keyboard's row says it was removed and the "
    "new one is programmed. Without a serial number and with --no-verify, a keyboard swapped in during the "
    "restart wait cannot be told from one that restarted.\n\n"
    "It goes on until N keyboards were programmed, or Ctrl-C, which lets the transfers in flight finish "
    "first (a second Ctrl-C ends them, with a row \"прервано\" each); then it prints the tally.",
    {{"--no-verify", "Do not read each image back after the restart wait to compare it, as upload --verify "
                     "does (the default)."},
     {"--count N", "Stop once N keyboards were programmed (N from 1)."},
     {"--log FILE.csv", "Append a row per keyboard: time,port,result,checksum,seconds,verified (port is the "
                        "socket; verified is да or нет, empty with --no-verify); a new or empty file gets "
                        "that header first. Rows the file does not take are kept and written as soon as it "
                        "does; standard error says so once."},
     {"--answer-wait MS", "Time between the last byte sent and reading the answer."},
     {"--reboot-wait MS", "Time the keyboard is given to restart."},
     {"--read-wait MS", "Unless --no-verify: time between the read request and reading the image."}},
    "0  no keyboard failed\n1  a keyboard failed, FILE is not valid, the log's folder is missing, or rows "
    "were left unwritten\n"
    "2  usage error",
    run};
