// raskladka-cli upload FILE: sends a layout's keyboard image to one keyboard,
// or to several at once.
#include "clicommand.h"

#include "consoletransfer.h"
#include "imagecheck.h"
#include "keyimage.h"
#include "uploadreport.h"

#include <QEventLoop>

#include <memory>
#include <vector>

namespace {
constexpr char Usage[] =
    "usage: raskladka-cli upload FILE [--port P]... [--all-ports] [--verify] [--answer-wait MS]\n"
    "       [--reboot-wait MS] [--read-wait MS] [-v]";

// One keyboard, with the loader's whole log on standard error.
int uploadOne(CliContext& ctx, QByteArray image, const TransferOptions& options, bool verify)
{
    if (resolveTransferPort(options).isEmpty())
        return cliFail(ctx, ExitInvalid, QStringLiteral("Порт загрузки не обнаружен"));
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
    std::vector<std::unique_ptr<UploadJob>> jobs;
    QStringList failed;
    int left = int(ports.size());
    for (const QString& port : ports) {
        jobs.push_back(std::make_unique<UploadJob>(port, image, options.timings, verify));
        QObject::connect(jobs.back().get(), &UploadJob::finished, &loop, [&](const UploadResult& r) {
            ctx.out << resultLine(r) << "\n";
            ctx.out.flush();
            if (!r.ok)
                failed << r.port;
            if (--left == 0)
                loop.quit();
        });
    }
    for (const auto& job : jobs)
        job->start();
    loop.exec();
    ctx.out << summaryLine(int(ports.size() - failed.size()), int(ports.size()), failed) << "\n";
    return failed.isEmpty() ? ExitOk : ExitInvalid;
}

int run(CliContext& ctx)
{
    QStringList ports;
    bool allPorts = false;
    QString error;
    TransferOptions options;
    // --port may come several times, so it is taken before the options shared with read.
    const bool verify = takeFlag(ctx.args, QStringLiteral("--verify"));
    if (!takePorts(ctx.args, ports, allPorts, &error) || !takeTransferOptions(ctx.args, options, &error))
        return cliFail(ctx, ExitUsage, error + QStringLiteral("\n") + QLatin1String(Usage));
    QByteArray image;
    if (const int status = takeImageArgument(ctx, Usage, verify, options.timings, image); status >= 0)
        return status;
    if (!allPorts && ports.size() <= 1) {
        options.port = ports.value(0);
        return uploadOne(ctx, image, options, verify);
    }
    if (allPorts)
        addPresentKeyboardPorts(ports);
    if (ports.isEmpty())
        return cliFail(ctx, ExitInvalid, QStringLiteral("Порт загрузки не обнаружен"));
    return uploadMany(ctx, image, ports, options, verify);
}
}  // namespace

static CliCommand reg{"upload", "upload FILE [--port P]... [--all-ports] [--verify]",
                      "Sends FILE (.kmp as it is; .btv or .json as the image rebuilt from its key maps) to\n"
                      "    the keyboard on port P (default: the first keyboard port, see ports), with the\n"
                      "    loader's checks and log. Exit status 0 only once the keyboard confirmed the\n"
                      "    checksum and layout address and its restart wait has passed. --answer-wait and\n"
                      "    --reboot-wait change the 5000 ms waits; -v also prints the bytes sent.",
                      run};
