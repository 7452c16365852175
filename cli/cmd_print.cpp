// raskladka-cli print FILE --sheet labels|codes -o OUT.pdf: the editor's printed
// sheets as a PDF, same scene and scale, no dialog.
#include "clicommand.h"
#include "clioptions.h"

#include "fileio.h"
#include "filemessages.h"
#include "fontcheck.h"
#include "layoutsource.h"
#include "sheetprinter.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

namespace {
const QString Usage = QStringLiteral("usage: raskladka-cli print FILE --sheet labels|codes -o OUT.pdf");

struct PrintArgs {
    QString input;
    QString output;
    QString sheet;
};

// Accepts "--sheet X", "--sheet=X", "-o X", "--output X" and "--output=X", as --help says.
bool parseArgs(const CliContext& ctx, PrintArgs& parsed, QString& error)
{
    const CliOptions options(ctx);
    if (!options.unknown().isEmpty() || !options.missingValue().isEmpty()) {
        error = (options.unknown().isEmpty() ? QStringLiteral("%1 ожидает значение; ").arg(options.missingValue())
                                             : QStringLiteral("неизвестный параметр %1; ").arg(options.unknown())) + Usage;
        return false;
    }
    const QStringList files = options.positional();
    parsed.sheet = options.value(QStringLiteral("sheet"));
    parsed.output = options.value(QStringLiteral("output"));
    if (files.size() != 1 || parsed.output.isEmpty() || parsed.sheet.isEmpty()) {
        error = Usage;
        return false;
    }
    if (parsed.sheet != QLatin1String("labels") && parsed.sheet != QLatin1String("codes")) {
        error = QStringLiteral("--sheet ожидает labels или codes, а не «%1»; ").arg(parsed.sheet) + Usage;
        return false;
    }
    // A slip of the fingers must not put a PDF where a layout was.
    if (layoutKindOf(parsed.output) != LayoutKind::Unknown) {
        error = QStringLiteral("%1: PDF не пишется под именем файла раскладки; ").arg(parsed.output) + Usage;
        return false;
    }
    parsed.input = files.first();
    return true;
}

// The PDF is drawn in a private folder, and only a complete one goes to OUT, written as
// the layout files are: an older file keeps its owner, permissions and links.
bool printToPdf(const KeyMapImgClass& model, PrintSheet sheet, const QString& out, QString& error)
{
    const QTemporaryDir work;
    const QString pdf = work.filePath(QStringLiteral("sheet.pdf"));
    bool painted = false;
    if (work.isValid()) {
        QPrinter printer(QPrinter::HighResolution);
        setupPdfPrinter(printer, pdf);
        painted = sheet == PrintSheet::Labels ? printLabelSheet(printer, model) : printKeymapSheet(printer, model);
    }  // the PDF is complete once the printer is gone
    QFile made(pdf);
    const QByteArray bytes = painted && made.open(QIODevice::ReadOnly) ? made.readAll() : QByteArray();
    if (bytes.isEmpty()) {
        error = writeFailedMessage(out, QStringLiteral("PDF не создан"));
        return false;
    }
    return writeFileSafely(out, bytes, &error);
}

int run(CliContext& ctx)
{
    PrintArgs args;
    QString error;
    if (!parseArgs(ctx, args, error))
        return cliFail(ctx, ExitUsage, error);

    const LayoutFile file = loadLayoutFile(args.input);
    if (file.kind == LayoutKind::Unknown)
        return cliFail(ctx, ExitUsage, args.input + QStringLiteral(": ") + file.problems.value(0));
    // A layout the editor would refuse, or load only in part, is not printed:
    // half a sheet of stickers is worse than none.
    if (!file.valid()) {
        cliPrintProblems(ctx, args.input, file.problems);
        ctx.err << QStringLiteral("raskladka-cli: %1 не записан\n").arg(args.output);
        return ExitInvalid;
    }
    const PrintSheet sheet = args.sheet == QLatin1String("labels") ? PrintSheet::Labels : PrintSheet::Codes;
    // Like the editor, the labels are never printed in a substitute font.
    if (sheet == PrintSheet::Labels) {
        const QString family = file.model->getFontFamily();
        if (!isFontFamilyInstalled(family))
            return cliFail(ctx, ExitInvalid, labelFontMissingMessage(family));
    }
    if (!printToPdf(*file.model, sheet, args.output, error))
        return cliFail(ctx, ExitInvalid, error);
    return ExitOk;
}
}  // namespace

static CliCommand reg{
    "print", "print FILE --sheet labels|codes -o OUT.pdf", "Print the sticker sheet or the code listing into a PDF.",
    "Prints a .btv, .kmp or .json layout into a one-page landscape A4 PDF, exactly as the editor prints it, "
    "at the keyboard's scale. The labels sheet is refused when the layout's label font is not installed. "
    "An invalid FILE leaves OUT as it was.",
    {{"--sheet labels|codes", "labels: the sheet of key stickers with cutting marks (\"Печать макета\"); "
                              "codes: the listing of scan codes (\"Печать карты\"). Also --sheet=labels|codes."},
     {"-o, --output OUT.pdf", "The PDF to write; never a name ending in .kmp, .btv or .json. Also --output=OUT.pdf."}},
    "0  OUT written\n1  FILE is not valid, its label font is missing, or OUT cannot be written\n2  usage error",
    run};
