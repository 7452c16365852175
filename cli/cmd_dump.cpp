// raskladka-cli dump FILE [--json]: every key as the editor would load it.
#include "clicommand.h"
#include "clioptions.h"
#include "hexcodes.h"

#include "keynames.h"
#include "layoutjson.h"
#include "layoutsource.h"

#include <QIODevice>

namespace {

QString colourName(TColor c) { return '#' + hexCode(c.red).toLower() + hexCode(c.green).toLower() + hexCode(c.blue).toLower(); }

QString styleName(TFontStyle s)
{
    switch (int(s)) {
    case fsNormal: return QStringLiteral("обычный");
    case fsBold: return QStringLiteral("жирный");
    case fsItalic: return QStringLiteral("курсив");
    case fsBoldItalic: return QStringLiteral("жирный курсив");
    }
    return QStringLiteral("нестандартный");
}

void printTable(QTextStream& out, const QString& path, const LayoutFile& file)
{
    const KeyMapImgClass& m = *file.model;
    out << QStringLiteral("Файл: %1 (формат %2)\n").arg(path, file.format);
    out << QStringLiteral("Шрифт макета: %1\n").arg(m.getFontFamily());
    out << QStringLiteral("Строки надписей, пустые и с настройками по умолчанию, не показаны.\n\n");
    for (int c = 0; c < KeyCols; ++c)
        for (int r = 0; r < KeyRows; ++r) {
            const TKeyMap map = m.getKeyMap(c, r);
            out << QStringLiteral("Клавиша %1%2: кодов %3, пары").arg(keyPlaceText(c, r))
                       .arg(isCoveredKey(c, r) ? QStringLiteral(" (скрыта)") : QString()).arg(map.count);
            for (int j = 0; j < MaxKeyCodes; ++j) {
                out << ' ' << hexCode(map.pairs[j].modifiers) << ':' << hexCode(map.pairs[j].code);
                if (j < map.count)
                    out << QStringLiteral(" «%1»").arg(keyCodeName(map.pairs[j].code));
            }
            out << QStringLiteral("; связь %1; фон %2\n")
                       .arg(m.getLink(c, r) ? QStringLiteral("да") : QStringLiteral("нет"), colourName(m.getBtnColor(c, r)));
            for (int l = 0; l < LabelLines; ++l) {
                const TBtnNamePosition pos = m.getBtnNamePos(c, r, l);
                const TFontStyle style = m.getFontStyle(c, r, l);
                if (m.getBtnName(c, r, l).isEmpty() && pos == TBtnNamePosition{} && style == fsNormal &&
                    m.getBtnNameColor(c, r, l) == TColor{} && m.getBtnNameSize(c, r, l) == 12 && !m.getVertName(c, r, l))
                    continue;
                out << QStringLiteral("  %1: «%2» цвет %3, смещение %4,%5, размер %6, стиль %7 (%8), %9\n")
                           .arg(l + 1)
                           .arg(m.getBtnName(c, r, l), colourName(m.getBtnNameColor(c, r, l)))
                           .arg(pos.x)
                           .arg(pos.y)
                           .arg(m.getBtnNameSize(c, r, l))
                           .arg(int(style))
                           .arg(styleName(style),
                                m.getVertName(c, r, l) ? QStringLiteral("вертикально") : QStringLiteral("горизонтально"));
            }
        }
}

int run(CliContext& ctx)
{
    const CliOptions options(ctx);
    const QStringList files = options.positional();
    // Standard input is no layout here: "-" is refused like an option.
    const QString unknown =
        options.unknown().isEmpty() && files.contains(QStringLiteral("-")) ? QStringLiteral("-") : options.unknown();
    if (!unknown.isEmpty())
        return cliFail(ctx, ExitUsage, QStringLiteral("неизвестный параметр %1; usage: raskladka-cli dump FILE [--json]").arg(unknown));
    const bool json = options.isSet(QStringLiteral("json"));
    if (files.size() != 1)
        return cliFail(ctx, ExitUsage, QStringLiteral("usage: raskladka-cli dump FILE [--json]"));
    const QString path = files.first();
    const LayoutFile file = loadLayoutFile(path);
    if (file.kind == LayoutKind::Unknown)
        return cliFail(ctx, ExitUsage, path + QStringLiteral(": ") + file.problems.value(0));
    cliPrintProblems(ctx, path, file.problems);
    if (!file.model)
        return ExitInvalid;
    // A file that stops part way is shown as far as the editor would load it, and still fails.
    if (json) {
        ctx.out.flush();
        ctx.out.device()->write(layoutToJson(*file.model, file.format));
    } else {
        printTable(ctx.out, path, file);
    }
    return file.problems.isEmpty() ? ExitOk : ExitInvalid;
}
}  // namespace

static CliCommand reg{
    "dump", "dump FILE [--json]", "Print every key of a layout as the editor would load it.",
    "Prints every key of a .kmp, .btv or .json layout as the editor would load it: codes, link, background "
    "and the label lines (a keymap gives label line 0 the name of each key's first code; empty lines with "
    "default settings are left out). A file that stops at a key with more than 5 codes is shown as far as "
    "it loads.",
    {{"--json", "Print the layout as the JSON that convert reads, instead of the table."}},
    "0  the file loaded whole\n1  it is not valid (what loads is still shown), or cannot be read\n"
    "2  usage error",
    run};
