// raskladka-cli info FILE: is a layout file valid, and if not, why.
#include "clicommand.h"
#include "clioptions.h"

#include "fontcheck.h"
#include "layoutsource.h"

#include <QMap>

namespace {
int keysWithCodes(const KeyMapImgClass& m)
{
    int n = 0;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r)
            n += m.getKeyMap(c, r).count > 0;
    return n;
}

int keysWithText(const KeyMapImgClass& m)
{
    int n = 0;
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            bool any = false;
            for (int l = 0; l < LabelLines; ++l)
                any = any || !m.getBtnName(c, r, l).isEmpty();
            n += any;
        }
    return n;
}

int run(CliContext& ctx)
{
    const CliOptions options(ctx);
    const QStringList files = options.positional();
    if (!options.unknown().isEmpty() || files.size() != 1 || files.first().startsWith('-'))
        return cliFail(ctx, ExitUsage, QStringLiteral("usage: raskladka-cli info FILE"));
    const QString path = files.first();
    const LayoutFile file = loadLayoutFile(path);
    if (file.kind == LayoutKind::Unknown)
        return cliFail(ctx, ExitUsage, path + QStringLiteral(": ") + file.problems.value(0));
    if (!file.valid()) {
        cliPrintProblems(ctx, path, file.problems);
        return ExitInvalid;
    }
    const KeyMapImgClass& m = *file.model;
    static const QMap<LayoutKind, QString> what{{LayoutKind::Keymap, QStringLiteral("карта сканкодов")},
                                                {LayoutKind::ButtonView, QStringLiteral("макет раскладки")},
                                                {LayoutKind::Json, QStringLiteral("раскладка в JSON")},
                                                {LayoutKind::Csv, QStringLiteral("раскладка в таблице CSV")}};
    ctx.out << path << ": " << what.value(file.kind) << QStringLiteral(" без ошибок\n");
    if (file.kind == LayoutKind::Json)
        ctx.out << QStringLiteral("  формат: %1\n").arg(file.format);
    for (const QString& note : file.notes)
        ctx.out << "  " << note << "\n";
    if (file.kind != LayoutKind::Keymap) {
        const QString family = m.getFontFamily();
        ctx.out << QStringLiteral("  шрифт макета: %1%2\n")
                       .arg(family, isFontFamilyInstalled(family) ? QString() : QStringLiteral(" (отсутствует в системе)"));
    }
    ctx.out << QStringLiteral("  клавиш с кодами: %1, с надписями: %2\n").arg(keysWithCodes(m)).arg(keysWithText(m));
    return ExitOk;
}
}  // namespace

static CliCommand reg{
    "info", "info FILE", "Check a layout file and say why it is not valid.",
    "Checks a keymap (.kmp), button view (.btv) or JSON layout file the way the editor opens it, and says "
    "why it is not valid: a short file (with its size), the checksum (expected and found), the format mark, "
    "a key with more than 5 codes (its slot or key), or the place in the JSON at fault. For a valid file it "
    "names the kind, the label font and how many keys have codes and labels. A keymap or button view longer "
    "than its record is read from its start as the editor reads it, and the bytes it ignores are noted.",
    {},
    "0  the file is valid\n1  it is not, or cannot be read\n2  usage error",
    run};
