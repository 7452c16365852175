// raskladka-cli read OUT: reads the keyboard's image back into a layout file.
#include "clicommand.h"
#include "clioptions.h"

#include "consoletransfer.h"
#include "fileio.h"
#include "imagecheck.h"
#include "filemessages.h"
#include "keymapimgclass.h"
#include "layoutsource.h"

namespace {
constexpr char Usage[] = "usage: raskladka-cli read [--port P] [--read-wait MS] [-v] OUT";

int run(CliContext& ctx)
{
    // The waits of an upload are known only to say where they belong.
    const CliOptions parsed(ctx, {{"--answer-wait MS", ""}, {"--reboot-wait MS", ""}});
    TransferOptions options;
    QString error = parsed.transferError(options.timings);
    if (!error.isEmpty())
        return cliUsage(ctx, error);
    options.port = parsed.value(QStringLiteral("port"));
    options.verbose = parsed.isSet(QStringLiteral("verbose"));
    const LoaderTimings defaults;
    if (options.timings.answerMs != defaults.answerMs || options.timings.rebootMs != defaults.rebootMs)
        return cliUsage(ctx, QStringLiteral("--answer-wait и --reboot-wait относятся к upload"));
    const QStringList files = parsed.positional();
    if (files.size() != 1)
        return cliFail(ctx, ExitUsage, QLatin1String(Usage));
    const QString out = files.first();
    const LayoutKind kind = layoutKindOf(out);
    if (kind == LayoutKind::Unknown)
        return cliFail(ctx, ExitUsage,
                       out + QStringLiteral(": тип файла не понятен по имени: ожидается .kmp, .btv или .json"));
    // Refused before the keyboard is asked, so a read is never lost to a target that cannot be written.
    if (isReadOnlyTarget(out))
        return cliSaveFailed(ctx, out, MsgReadOnlyTarget);
    if (resolveTransferPort(options).isEmpty())
        return cliFail(ctx, ExitInvalid, QString::fromUtf16(NoPortText));

    QByteArray image(ImageSize, '\0');
    if (!runTransfer(TransferKind::ReadBack, reinterpret_cast<uint8_t*>(image.data()), options, ctx.err)) {
        ctx.err << QStringLiteral("raskladka-cli: %1 не записан\n").arg(out);
        return ExitInvalid;
    }
    // The checksum has matched: the image is the keyboard's.
    KeyMapImgClass model;
    const DecodeResult decoded = model.decodeImageReplacing(reinterpret_cast<const uint8_t*>(image.constData()));
    if (kind == LayoutKind::Keymap) {
        // A keymap file keeps the keyboard's bytes exactly, even ones the editor would rebuild differently.
        if (!decoded.complete())
            ctx.err << QStringLiteral("raskladka-cli: предупреждение: %1: %2\n").arg(MsgBadCodeCount, slotText(decoded.badSlot));
        if (!saveFileChecked(out, image, &error))
            return cliSaveFailed(ctx, out, error);
        return ExitOk;
    }
    // Half a layout is never written.
    if (!decoded.complete()) {
        ctx.err << QStringLiteral("raskladka-cli: %1: %2\n").arg(MsgBadCodeCount, slotText(decoded.badSlot));
        ctx.err << QStringLiteral("raskladka-cli: %1 не записан\n").arg(out);
        return ExitInvalid;
    }
    if (!saveLayoutFile(model, out, QStringLiteral("kmp"), &error))
        return cliSaveFailed(ctx, out, error);
    return ExitOk;
}
}  // namespace

static CliCommand reg{
    "read", "read [--port P] [--read-wait MS] [-v] OUT", "Read the layout stored in the keyboard into a file.",
    "Reads the keyboard's image and writes it to OUT: a .kmp byte for byte, a .btv or .json as the layout the "
    "editor makes of it (label line 0 named after each key's first code). Nothing is written unless the "
    "checksum matched, and a .btv or .json only when every slot holds at most 5 codes.",
    {{"--port P", "The keyboard's port (default: the first keyboard port, see ports)."},
     {"--read-wait MS", "Time between the read request and reading the answer."},
     {"-v, --verbose", "Also print the bytes read."}},
    "0  OUT written\n1  no port, the transfer failed, or OUT cannot be written\n2  usage error",
    run};
