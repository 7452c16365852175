// raskladka-cli upload FILE: sends a layout's keyboard image to the keyboard.
#include "clicommand.h"

#include "consoletransfer.h"
#include "fileio.h"
#include "filemessages.h"
#include "keymapfile.h"
#include "layoutsource.h"

namespace {
constexpr char Usage[] = "usage: raskladka-cli upload FILE [--port P] [--answer-wait MS] [--reboot-wait MS] [-v]";

// The 881 bytes to send, or an empty array after saying why on `err`.
QByteArray imageToSend(CliContext& ctx, const QString& path)
{
    LayoutFile file = loadLayoutFile(path);
    if (file.kind == LayoutKind::Keymap && file.fileSize > KeymapFileSize)
        file.problems << QStringLiteral("%1: в файле %2 байт, карта сканкодов занимает %3")
                             .arg(MsgFormatError).arg(file.fileSize).arg(KeymapFileSize);
    if (!file.valid()) {
        for (const QString& p : file.problems)
            ctx.err << "raskladka-cli: " << path << ": " << p << "\n";
        return {};
    }
    if (file.kind == LayoutKind::Keymap) {
        // A keymap file is the image itself: it goes out byte for byte.
        QByteArray bytes;
        QString error;
        if (!readFileHead(path, KeymapFileSize, bytes, &error) || bytes.size() != KeymapFileSize) {
            ctx.err << "raskladka-cli: " << error << "\n";
            return {};
        }
        return bytes;
    }
    // Any other layout: the image the editor builds from the key maps before an upload.
    file.model->makeImage();
    return QByteArray(reinterpret_cast<const char*>(file.model->image()), ImageSize);
}

int run(CliContext& ctx)
{
    TransferOptions options;
    QString error;
    if (!takeTransferOptions(ctx.args, options, &error))
        return cliFail(ctx, ExitUsage, error + QStringLiteral("\n") + QLatin1String(Usage));
    if (options.timings.readMs != LoaderTimings{}.readMs)
        return cliFail(ctx, ExitUsage, QStringLiteral("--read-wait относится к read\n") + QLatin1String(Usage));
    if (ctx.args.size() != 1)
        return cliFail(ctx, ExitUsage, QLatin1String(Usage));
    const QString path = ctx.args.first();
    if (layoutKindOf(path) == LayoutKind::Unknown)
        return cliFail(ctx, ExitUsage,
                       path + QStringLiteral(": тип файла не понятен по имени: ожидается .kmp, .btv или .json"));

    QByteArray image = imageToSend(ctx, path);
    if (image.isEmpty()) {
        ctx.err << QStringLiteral("raskladka-cli: раскладка не загружена\n");
        return ExitInvalid;
    }
    if (resolveTransferPort(options).isEmpty())
        return cliFail(ctx, ExitInvalid, QStringLiteral("Порт загрузки не обнаружен"));
    const bool ok = runTransfer(TransferKind::Upload, reinterpret_cast<uint8_t*>(image.data()), options, ctx.err);
    if (!ok) {
        ctx.err << QStringLiteral("raskladka-cli: раскладка не загружена\n");
        return ExitInvalid;
    }
    return ExitOk;
}
}  // namespace

static CliCommand reg{"upload", "upload FILE [--port P]",
                      "Sends FILE (.kmp as it is; .btv or .json as the image rebuilt from its key maps) to\n"
                      "    the keyboard on port P (default: the first keyboard port, see ports), with the\n"
                      "    loader's checks and log. Exit status 0 only once the keyboard confirmed the\n"
                      "    checksum and layout address and its restart wait has passed. --answer-wait and\n"
                      "    --reboot-wait change the 5000 ms waits; -v also prints the bytes sent.",
                      run};
