// raskladka-cli upload FILE: sends a layout's keyboard image to one keyboard,
// or to several at once.
#include "clicommand.h"
#include "clioptions.h"

#include "consoletransfer.h"
#include "imagecheck.h"
#include "keyimage.h"
#include "stationsession.h"
#include "uploadreport.h"

#include <QEventLoop>


namespace {
// One keyboard, with the loader's whole log on standard error.
int uploadOne(CliContext& ctx, QByteArray image, const TransferOptions& options, bool verify)
{
    if (resolveTransferPort(options).isEmpty())
        return cliFail(ctx, ExitInvalid, QString::fromUtf16(NoPortText));
    const QByteArray sent = image;
    if (!runTransfer(TransferKind::Upload, reinterpret_cast<uint8_t*>(image.data()), options, ctx.err)) {
        ctx.err << QStringLiteral("raskladka-cli: раскладка не загружена\n");
        return ExitInvalid;
    }
    if (!verify)
        return ExitOk;
    QByteArray readBack(ImageSize, '\0');
    if (!runTransfer(TransferKind::ReadBack, reinterpret_cast<uint8_t*>(readBack.data()), options, ctx.err))
        return cliFail(ctx, ExitInvalid, QStringLiteral("Сверка не удалась"));
    ctx.err << verificationText(sent, readBack) << "\n";
    return firstImageDifference(sent, readBack) < 0 ? ExitOk : ExitInvalid;
}

// Every port at the same time on the one event loop; a line each as it ends.
int uploadMany(CliContext& ctx, const QByteArray& image, const QStringList& ports, const TransferOptions& options,
               bool verify)
{
    QEventLoop loop;
    StationSession session;
    session.options().timings = options.timings;
    session.options().verify = verify;
    QStringList failed;
    QObject::connect(&session, &StationSession::keyboardDone, &loop, [&](const UploadResult& r) {
        ctx.out << resultLine(r) << "\n";
        ctx.out.flush();
        if (!r.ok)
            failed << r.port;
    });
    QObject::connect(&session, &StationSession::idle, &loop, &QEventLoop::quit);
    session.programOnce(image, ports);
    loop.exec();
    const StationTally& tally = session.tally();
    ctx.out << summaryLine(tally.good, tally.good + tally.bad, failed) << "\n";
    return failed.isEmpty() ? ExitOk : ExitInvalid;
}

int run(CliContext& ctx)
{
    const CliOptions parsed(ctx);
    TransferOptions options;
    if (const QString error = parsed.transferError(options.timings); !error.isEmpty())
        return cliUsage(ctx, error);
    const bool verify = parsed.isSet(QStringLiteral("verify"));
    const bool allPorts = parsed.isSet(QStringLiteral("all-ports"));
    options.verbose = parsed.isSet(QStringLiteral("verbose"));
    QStringList ports = portsToProgram(parsed.values(QStringLiteral("port")), false);
    QByteArray image;
    if (const int status = takeImageArgument(ctx, parsed.positional(), verify, options.timings, image); status >= 0)
        return status;
    if (!allPorts && ports.size() <= 1) {
        options.port = ports.value(0);
        return uploadOne(ctx, image, options, verify);
    }
    if (allPorts)
        ports = portsToProgram(ports, true);
    if (ports.isEmpty())
        return cliFail(ctx, ExitInvalid, QString::fromUtf16(NoPortText));
    return uploadMany(ctx, image, ports, options, verify);
}
}  // namespace

static CliCommand reg{
    "upload", "upload FILE [--port P]... [--all-ports] [--verify] [--answer-wait MS] [--reboot-wait MS] "
              "[--read-wait MS] [-v]",
    "Send a layout to one keyboard, or to several at once.",
    "Sends FILE (.kmp as it is; .btv or .json as the image the editor builds from its key maps) to the "
    "keyboard, with the loader's checks: the keyboard must echo the checksum and name the layout address, "
    "and its restart wait must pass.\n\n"
    "With one port the loader's log is printed on standard error. With several (--port more than once, or "
    "--all-ports) they are all programmed at the same time: one line per port as it finishes (port, result "
    "in the loader's words, seconds, checksum) on standard output, then a summary such as \"12 из 12 "
    "запрограммированы\".",
    {{"--port P", "A keyboard's port; may be given several times (default: the first keyboard port, see ports)."},
     {"--all-ports", "Every keyboard port present, with any --port given."},
     {"--verify", "After the restart wait, read the image back and compare all 881 bytes; a difference fails "
                  "the port and names the first slot that differs and its key."},
     {"--answer-wait MS", "Time between the last byte sent and reading the answer."},
     {"--reboot-wait MS", "Time the keyboard is given to restart."},
     {"--read-wait MS", "With --verify: time between the read request and reading the image."},
     {"-v, --verbose", "With one port: also print the bytes sent and read."}},
    "0  every keyboard programmed (and, with --verify, read back the same)\n"
    "1  FILE is not valid, no port was found, or a keyboard failed\n2  usage error",
    run};
