// raskladka-cli convert IN OUT: between .kmp, .btv, .json and .csv, by the file endings.
#include "clicommand.h"
#include "clioptions.h"

#include "layoutsource.h"

namespace {
int run(CliContext& ctx)
{
    const CliOptions options(ctx);
    const QStringList files = options.positional();
    if (!options.unknown().isEmpty() || files.size() != 2 || files[0].startsWith('-') || files[1].startsWith('-'))
        return cliFail(ctx, ExitUsage, QStringLiteral("usage: raskladka-cli convert IN OUT"));
    const QString in = files[0];
    const QString out = files[1];
    for (const QString& path : {in, out})
        if (layoutKindOf(path) == LayoutKind::Unknown)
            return cliFail(ctx, ExitUsage,
                           path + QStringLiteral(": тип файла не понятен по имени: ожидается .kmp, .btv, .json или .csv"));

    LayoutFile file = loadLayoutFile(in);
    // Half a layout is never written: a file the editor would load only in part is refused.
    if (!file.valid()) {
        cliPrintProblems(ctx, in, file.problems);
        ctx.err << QStringLiteral("raskladka-cli: %1 не записан\n").arg(out);
        return ExitInvalid;
    }
    QString error;
    if (!saveLayoutFile(*file.model, out, file.format, &error))
        return cliSaveFailed(ctx, out, error);
    return ExitOk;
}
}  // namespace

static CliCommand reg{
    "convert", "convert IN OUT", "Convert a layout between .btv, .kmp, .json and .csv.",
    "Converts a layout between .btv, .kmp, .json and .csv, chosen by the file endings. A .btv is written "
    "exactly as the editor saves the same layout; a .kmp keeps the codes only; reading a .kmp gives each key "
    "label line 0 named after its first code. A .csv is a sheet for a spreadsheet: one row per key, codes by "
    "their names, UTF-8 with a byte order mark and ';'; read with ';', ',' or a tab and its columns in any "
    "order, and a .btv comes back from it byte for byte. An invalid IN is reported (with the place in the "
    "JSON, or the row and column of the sheet, at fault) and OUT is left as it was.",
    {},
    "0  OUT written\n1  IN is not valid, or OUT cannot be written\n2  usage error",
    run};
