// raskladka-cli info FILE: is a layout file valid, and if not, why.
#include "clicommand.h"

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
    if (ctx.args.size() != 1 || ctx.args.first().startsWith('-'))
        return cliFail(ctx, ExitUsage, QStringLiteral("usage: raskladka-cli info FILE"));
    const QString path = ctx.args.first();
    const LayoutFile file = loadLayoutFile(path);
    if (file.kind == LayoutKind::Unknown)
        return cliFail(ctx, ExitUsage, path + QStringLiteral(": ") + file.problems.value(0));
    if (!file.valid()) {
        for (const QString& p : file.problems)
            ctx.err << "raskladka-cli: " << path << ": " << p << "\n";
        return ExitInvalid;
    }
    const KeyMapImgClass& m = *file.model;
    static const QMap<LayoutKind, QString> what{{LayoutKind::Keymap, QStringLiteral("карта сканкодов")},
                                                {LayoutKind::ButtonView, QStringLiteral("макет раскладки")},
                                                {LayoutKind::Json, QStringLiteral("раскладка в JSON")}};
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

static CliCommand reg{"info", "info FILE",
                      "Checks a keymap (.kmp), button view (.btv) or JSON layout file and says why it\n"
                      "    is not valid: short file (with its size), checksum (expected and found), format\n"
                      "    mark, a key with more than 5 codes (its slot or key), or the JSON place at fault.\n"
                      "    Exit status 0 only when the file is valid.",
                      run};
